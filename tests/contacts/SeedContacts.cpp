// seed_contacts: adds one contact to the default address book of the session it runs in,
// and prints its id; or removes contacts by their ids.  For window tests whose own process
// cannot load the server's client library.
//   seed_contacts [list] FIELD=VALUE...   (FIELD: name, email, business, home, mobile)
//   seed_contacts remove ID...
#include <cstdio>
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
  if (argc > 1 && std::strcmp(argv[1], "remove") == 0) {
    bool removed = true;
    for (int i = 2; i < argc; ++i) removed = book.Remove(argv[i]) && removed;
    return removed ? 0 : 1;
  }
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
  const std::string id = book.Add(values, list);
  if (id.empty()) return 1;
  std::printf("%s\n", id.c_str());
  return 0;
}
