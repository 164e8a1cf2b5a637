// seed_contacts: adds one contact to the default address book of the session it runs in,
// for window tests whose own process cannot load the server's client library.
//   seed_contacts [list] FIELD=VALUE...   (FIELD: name, email, business, home, mobile)
#include <cstring>
#include <map>
#include <string>

#include "tests/contacts/SeedBook.h"

extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libglib-2.0\nleak:libgobject-2.0\nleak:libgio-2.0\nleak:libebook\nleak:libedataserver\n";
}

int main(int argc, char** argv) {
  const std::map<std::string, EContactField> fields = {{"name", E_CONTACT_FULL_NAME},
                                                       {"email", E_CONTACT_EMAIL_1},
                                                       {"business", E_CONTACT_PHONE_BUSINESS},
                                                       {"home", E_CONTACT_PHONE_HOME},
                                                       {"mobile", E_CONTACT_PHONE_MOBILE}};
  SeedBook book;
  if (!book.Ok()) return 1;
  bool list = false;
  std::vector<std::pair<EContactField, std::string>> values;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "list") == 0) {
      list = true;
      continue;
    }
    const char* eq = std::strchr(argv[i], '=');
    if (!eq) return 2;
    const auto field = fields.find(std::string(argv[i], static_cast<size_t>(eq - argv[i])));
    if (field == fields.end()) return 2;
    values.emplace_back(field->second, eq + 1);
  }
  return book.Add(values, list).empty() ? 1 : 0;
}
