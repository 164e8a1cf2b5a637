// varlo-contacts: prints the contacts of one address book of Evolution Data Server, one
// line each, for the address-book layer of the program (WabProvider.cpp).  It runs as a
// program of its own because the server's client library and the toolkit's web view
// bring two versions of one HTTP library that cannot share a process.
//
//   varlo-contacts [BOOK-ID]     no id: the user's default address book
//
// Each line: type, id, name, e-mail, business, home and mobile numbers, separated by tabs;
// the type is 6 for a contact and 8 for a contact list.  Every text is valid UTF-8 with no
// control characters (so no tab or line end) and at most kMaxPropText bytes; at most
// kMaxTableRows lines.  Exit status: 0 done, 3 no such address book, 1 the server could not
// be reached or did not answer.
#include <libebook/libebook.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "platform/wab/Wab.h"
#include "platform/wab/WabText.h"

namespace {

// How long the server may take to open the book and to list it.
constexpr auto kAnswerTime = std::chrono::seconds(15);

// Cancels the server calls that have not finished in time.
class Deadline {
 public:
  explicit Deadline(std::chrono::seconds limit) : m_cancellable(g_cancellable_new()) {
    m_watch = std::thread([this, limit] {
      std::unique_lock lock(m_mutex);
      if (!m_done.wait_for(lock, limit, [this] { return m_finished; })) g_cancellable_cancel(m_cancellable);
    });
  }
  ~Deadline() {
    {
      std::lock_guard lock(m_mutex);
      m_finished = true;
    }
    m_done.notify_all();
    m_watch.join();
    g_object_unref(m_cancellable);
  }
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;
  GCancellable* get() const { return m_cancellable; }

 private:
  GCancellable* m_cancellable;
  std::mutex m_mutex;
  std::condition_variable m_done;
  bool m_finished = false;
  std::thread m_watch;
};

std::string Field(EContact* contact, EContactField field) {
  return varlo::wab::SafeText(static_cast<const char*>(e_contact_get_const(contact, field)));
}

std::string DisplayName(EContact* contact) {
  for (EContactField field : {E_CONTACT_FULL_NAME, E_CONTACT_FILE_AS, E_CONTACT_NICKNAME, E_CONTACT_EMAIL_1}) {
    std::string name = Field(contact, field);
    if (!name.empty()) return name;
  }
  return {};
}

}  // namespace

// A build with the leak checker: the client library's and GLib's process-long caches are
// not this program's leaks (its own allocations are still checked).
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libglib-2.0\nleak:libgobject-2.0\nleak:libgio-2.0\nleak:libebook\nleak:libedataserver\n";
}

int main(int argc, char** argv) {
  Deadline deadline(kAnswerTime);
  GError* error = nullptr;
  ESourceRegistry* registry = e_source_registry_new_sync(deadline.get(), &error);
  if (!registry) {
    g_clear_error(&error);
    return 1;
  }
  const char* bookId = argc > 1 ? argv[1] : "";
  ESource* source = *bookId ? e_source_registry_ref_source(registry, bookId)
                            : e_source_registry_ref_default_address_book(registry);
  if (!source || !e_source_has_extension(source, E_SOURCE_EXTENSION_ADDRESS_BOOK)) {
    if (source) g_object_unref(source);
    g_object_unref(registry);
    return 3;
  }
  // The book as it is now: no waiting for a remote book to come on line.
  EClient* client = e_book_client_connect_sync(source, static_cast<guint32>(-1), deadline.get(), &error);
  g_object_unref(source);
  GSList* contacts = nullptr;
  const bool listed =
      client && e_book_client_get_contacts_sync(E_BOOK_CLIENT(client), "", &contacts, deadline.get(), &error);
  g_clear_error(&error);
  ULONG rows = 0;
  for (GSList* item = contacts; item && rows < kMaxTableRows; item = item->next, ++rows) {
    EContact* contact = E_CONTACT(item->data);
    const bool list = GPOINTER_TO_INT(e_contact_get(contact, E_CONTACT_IS_LIST)) != 0;
    std::printf("%u\t%s\t%s\t%s\t%s\t%s\t%s\n", list ? MAPI_DISTLIST : MAPI_MAILUSER, Field(contact, E_CONTACT_UID).c_str(),
                DisplayName(contact).c_str(), Field(contact, E_CONTACT_EMAIL_1).c_str(),
                Field(contact, E_CONTACT_PHONE_BUSINESS).c_str(), Field(contact, E_CONTACT_PHONE_HOME).c_str(),
                Field(contact, E_CONTACT_PHONE_MOBILE).c_str());
  }
  g_slist_free_full(contacts, g_object_unref);
  if (client) g_object_unref(client);
  g_object_unref(registry);
  return listed && std::fflush(stdout) == 0 ? 0 : 1;
}
