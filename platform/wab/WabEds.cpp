// The address book on Evolution Data Server.  The default container is one address book of
// the desktop (the user's default one, or the one whose id the caller names); its entries
// are the book's contacts, identified by their ids, and its contact lists are the
// distribution lists.
#include <libebook/libebook.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/wab/Wab.h"
#include "platform/wab/WabAllocator.h"

namespace varlo::wab {
namespace {

// How long opening the book or listing it may take before it is given up.
constexpr auto kAnswerTime = std::chrono::seconds(15);

// Cancels a GLib operation that has not finished in time.
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

// Someone else's text made safe to show: valid UTF-8, control characters turned into
// blanks, cut at a character boundary to at most kMaxPropText bytes.
std::string SafeText(const char* text) {
  if (!text) return {};
  gchar* valid = g_utf8_make_valid(text, -1);
  std::string out;
  for (const gchar* p = valid; *p; p = g_utf8_next_char(p)) {
    const gunichar c = g_utf8_get_char(p);
    const char* next = g_utf8_next_char(p);
    const size_t length = static_cast<size_t>(next - p);
    if (out.size() + length > kMaxPropText) break;
    if (g_unichar_iscntrl(c)) {
      out += ' ';
    } else {
      out.append(p, length);
    }
  }
  g_free(valid);
  return out;
}

std::string ContactText(EContact* contact, EContactField field) {
  return SafeText(static_cast<const char*>(e_contact_get_const(contact, field)));
}

std::string DisplayName(EContact* contact) {
  for (EContactField field : {E_CONTACT_FULL_NAME, E_CONTACT_FILE_AS, E_CONTACT_NICKNAME, E_CONTACT_EMAIL_1}) {
    std::string name = ContactText(contact, field);
    if (!name.empty()) return name;
  }
  return {};
}

bool IsList(EContact* contact) { return GPOINTER_TO_INT(e_contact_get(contact, E_CONTACT_IS_LIST)) != 0; }

// Entry ids: four flag bytes, then 'C' for the container or 'U' and a contact's id.
constexpr BYTE kContainerKind = 'C';
constexpr BYTE kContactKind = 'U';
constexpr ULONG kIdHeader = 5;

std::string IdBytes(BYTE kind, const std::string& uid) {
  std::string id(4, '\0');
  id += static_cast<char>(kind);
  id += uid;
  return id;
}

// Allocates `value` as a string of `owner`'s buffer.
HRESULT SetString(SPropValue& prop, ULONG tag, const std::string& value, LPVOID owner) {
  LPVOID text = nullptr;
  HRESULT hr = AllocateMore(static_cast<ULONG>(value.size() + 1), owner, &text);
  if (FAILED(hr)) return hr;
  std::memcpy(text, value.c_str(), value.size() + 1);
  prop.ulPropTag = tag;
  prop.Value.lpszA = static_cast<LPSTR>(text);
  return S_OK;
}

HRESULT SetBinary(SPropValue& prop, ULONG tag, const std::string& bytes, LPVOID owner) {
  LPVOID copy = nullptr;
  HRESULT hr = AllocateMore(static_cast<ULONG>(bytes.size()), owner, &copy);
  if (FAILED(hr)) return hr;
  std::memcpy(copy, bytes.data(), bytes.size());
  prop.ulPropTag = tag;
  prop.Value.bin.cb = static_cast<ULONG>(bytes.size());
  prop.Value.bin.lpb = static_cast<LPBYTE>(copy);
  return S_OK;
}

// What an entry holds, as (tag, value) pairs; strings and the id are texts or bytes.
struct EntryData {
  ULONG objectType = MAPI_MAILUSER;
  std::string id;
  std::vector<std::pair<ULONG, std::string>> strings;  // present values only
};

EntryData ReadEntry(EContact* contact) {
  EntryData data;
  data.objectType = IsList(contact) ? MAPI_DISTLIST : MAPI_MAILUSER;
  data.id = IdBytes(kContactKind, static_cast<const char*>(e_contact_get_const(contact, E_CONTACT_UID)));
  const std::pair<ULONG, std::string> values[] = {
      {PR_DISPLAY_NAME, DisplayName(contact)},
      {PR_EMAIL_ADDRESS, ContactText(contact, E_CONTACT_EMAIL_1)},
      {PR_BUSINESS_TELEPHONE_NUMBER, ContactText(contact, E_CONTACT_PHONE_BUSINESS)},
      {PR_HOME_TELEPHONE_NUMBER, ContactText(contact, E_CONTACT_PHONE_HOME)},
      {PR_CELLULAR_TELEPHONE_NUMBER, ContactText(contact, E_CONTACT_PHONE_MOBILE)},
  };
  for (const auto& value : values) {
    if (!value.second.empty()) data.strings.push_back(value);
  }
  return data;
}

// Fills `prop` with the entry's value for `tag`, or an error value when it has none.
HRESULT FillProp(SPropValue& prop, ULONG tag, const EntryData& entry, LPVOID owner) {
  if (tag == PR_OBJECT_TYPE) {
    prop.ulPropTag = tag;
    prop.Value.l = static_cast<LONG>(entry.objectType);
    return S_OK;
  }
  if (tag == PR_ENTRYID) return SetBinary(prop, tag, entry.id, owner);
  for (const auto& [stringTag, value] : entry.strings) {
    if (stringTag == tag) return SetString(prop, tag, value, owner);
  }
  prop.ulPropTag = PROP_TAG(PT_ERROR, PROP_ID(tag));
  prop.Value.err = MAPI_E_NOT_FOUND;
  return S_OK;
}

// An array of values for `tags` from the allocator.
HRESULT BuildProps(const std::vector<ULONG>& tags, const EntryData& entry, ULONG* count, LPSPropValue* props) {
  LPVOID array = nullptr;
  HRESULT hr = AllocateBuffer(static_cast<ULONG>(sizeof(SPropValue) * std::max<size_t>(tags.size(), 1)), &array);
  if (FAILED(hr)) return hr;
  auto* values = static_cast<LPSPropValue>(array);
  for (size_t i = 0; i < tags.size(); ++i) {
    hr = FillProp(values[i], tags[i], entry, array);
    if (FAILED(hr)) {
      FreeBuffer(array);
      return hr;
    }
  }
  *count = static_cast<ULONG>(tags.size());
  *props = values;
  return S_OK;
}

std::vector<ULONG> TagsOf(LPSPropTagArray tags) {
  std::vector<ULONG> out;
  if (!tags) return out;
  const ULONG* first = tags->aulPropTag;
  out.assign(first, first + std::min<ULONG>(tags->cValues, 64));
  return out;
}

template <typename Interface>
class RefCounted : public Interface {
 public:
  ULONG AddRef() override { return ++m_refs; }
  ULONG Release() override {
    const ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
  }

 private:
  std::atomic<ULONG> m_refs{1};
};

class MailUser : public RefCounted<IMailUser> {
 public:
  explicit MailUser(EntryData data) : m_data(std::move(data)) {}
  HRESULT GetProps(LPSPropTagArray tags, ULONG, ULONG* count, LPSPropValue* props) override {
    if (!count || !props) return E_INVALIDARG;
    std::vector<ULONG> wanted = TagsOf(tags);
    if (!tags) {
      wanted = {PR_OBJECT_TYPE, PR_ENTRYID};
      for (const auto& value : m_data.strings) wanted.push_back(value.first);
    }
    return BuildProps(wanted, m_data, count, props);
  }

 private:
  EntryData m_data;
};

class ContentsTable : public RefCounted<IMAPITable> {
 public:
  explicit ContentsTable(std::vector<EntryData> rows) : m_rows(std::move(rows)) {}
  HRESULT SetColumns(LPSPropTagArray columns, ULONG) override {
    if (!columns) return E_INVALIDARG;
    m_columns = TagsOf(columns);
    return S_OK;
  }
  HRESULT SeekRow(BOOKMARK origin, LONG rowCount, LONG* sought) override {
    if (origin != BOOKMARK_BEGINNING) return MAPI_E_NO_SUPPORT;
    const LONG target = std::clamp<LONG>(rowCount, 0, static_cast<LONG>(m_rows.size()));
    m_position = static_cast<size_t>(target);
    if (sought) *sought = target;
    return S_OK;
  }
  HRESULT QueryRows(LONG rowCount, ULONG, LPSRowSet* rows) override {
    if (!rows || rowCount < 0) return E_INVALIDARG;
    const size_t n = std::min(static_cast<size_t>(rowCount), m_rows.size() - m_position);
    LPVOID set = nullptr;
    HRESULT hr = AllocateBuffer(static_cast<ULONG>(sizeof(SRowSet) + sizeof(SRow) * std::max<size_t>(n, 1)), &set);
    if (FAILED(hr)) return hr;
    auto* rowSet = static_cast<LPSRowSet>(set);
    for (size_t i = 0; i < n; ++i) {
      SRow& row = rowSet->aRow[i];
      hr = BuildProps(m_columns, m_rows[m_position + i], &row.cValues, &row.lpProps);
      if (FAILED(hr)) {
        for (size_t j = 0; j < i; ++j) FreeBuffer(rowSet->aRow[j].lpProps);
        FreeBuffer(set);
        return hr;
      }
      rowSet->cRows = static_cast<ULONG>(i + 1);
    }
    m_position += n;
    *rows = rowSet;
    return S_OK;
  }

 private:
  std::vector<EntryData> m_rows;
  std::vector<ULONG> m_columns{PR_ENTRYID, PR_DISPLAY_NAME, PR_OBJECT_TYPE};
  size_t m_position = 0;
};

class Container : public RefCounted<IABContainer> {
 public:
  explicit Container(EBookClient* client) : m_client(E_BOOK_CLIENT(g_object_ref(client))) {}
  ~Container() override { g_object_unref(m_client); }
  HRESULT GetProps(LPSPropTagArray, ULONG, ULONG*, LPSPropValue*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT GetContentsTable(ULONG, LPMAPITABLE* table) override {
    if (!table) return E_INVALIDARG;
    Deadline deadline(kAnswerTime);
    GSList* contacts = nullptr;
    GError* error = nullptr;
    if (!e_book_client_get_contacts_sync(m_client, "", &contacts, deadline.get(), &error)) {
      g_clear_error(&error);
      return MAPI_E_NETWORK_ERROR;
    }
    std::vector<EntryData> rows;
    for (GSList* item = contacts; item && rows.size() < kMaxTableRows; item = item->next) {
      rows.push_back(ReadEntry(E_CONTACT(item->data)));
    }
    g_slist_free_full(contacts, g_object_unref);
    *table = new ContentsTable(std::move(rows));
    return S_OK;
  }

 private:
  EBookClient* m_client;
};

class AddrBook : public RefCounted<IAddrBook> {
 public:
  AddrBook(ESourceRegistry* registry, EBookClient* client) : m_registry(registry), m_client(client) {}
  ~AddrBook() override {
    g_object_unref(m_client);
    g_object_unref(m_registry);
  }
  HRESULT GetProps(LPSPropTagArray, ULONG, ULONG*, LPSPropValue*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT GetPAB(ULONG* size, LPENTRYID* entryId) override {
    if (!size || !entryId) return E_INVALIDARG;
    const std::string id = IdBytes(kContainerKind, "");
    LPVOID buffer = nullptr;
    HRESULT hr = AllocateBuffer(static_cast<ULONG>(id.size()), &buffer);
    if (FAILED(hr)) return hr;
    std::memcpy(buffer, id.data(), id.size());
    *size = static_cast<ULONG>(id.size());
    *entryId = static_cast<LPENTRYID>(buffer);
    return S_OK;
  }
  HRESULT OpenEntry(ULONG size, LPENTRYID entryId, LPCIID, ULONG, ULONG* objectType, LPUNKNOWN* object) override {
    if (!objectType || !object || (size > 0 && !entryId)) return E_INVALIDARG;
    *object = nullptr;
    const std::string id(reinterpret_cast<const char*>(entryId), size);
    if (size == 0 || id == IdBytes(kContainerKind, "")) {
      *objectType = MAPI_ABCONT;
      *object = new Container(m_client);
      return S_OK;
    }
    if (size <= kIdHeader || id.compare(0, kIdHeader, IdBytes(kContactKind, "")) != 0) return MAPI_E_NOT_FOUND;
    const std::string uid = id.substr(kIdHeader);
    if (uid.find('\0') != std::string::npos) return MAPI_E_NOT_FOUND;
    EContact* contact = nullptr;
    GError* error = nullptr;
    if (!e_book_client_get_contact_sync(m_client, uid.c_str(), &contact, nullptr, &error)) {
      g_clear_error(&error);
      return MAPI_E_NOT_FOUND;
    }
    EntryData data = ReadEntry(contact);
    g_object_unref(contact);
    *objectType = data.objectType;
    *object = new MailUser(std::move(data));
    return S_OK;
  }

 private:
  ESourceRegistry* m_registry;
  EBookClient* m_client;
};

class WabObject : public RefCounted<IWABObject> {
 public:
  HRESULT AllocateBuffer(ULONG size, LPVOID* buffer) override { return wab::AllocateBuffer(size, buffer); }
  HRESULT AllocateMore(ULONG size, LPVOID parent, LPVOID* buffer) override {
    return wab::AllocateMore(size, parent, buffer);
  }
  HRESULT FreeBuffer(LPVOID buffer) override { return wab::FreeBuffer(buffer); }
};

HRESULT WABOpen(LPADRBOOK* addrBook, LPWABOBJECT* wabObject, LPWAB_PARAM param, DWORD) {
  if (!addrBook || !wabObject) return E_INVALIDARG;
  *addrBook = nullptr;
  *wabObject = nullptr;
  Deadline deadline(kAnswerTime);
  GError* error = nullptr;
  ESourceRegistry* registry = e_source_registry_new_sync(deadline.get(), &error);
  if (!registry) {
    g_clear_error(&error);
    return MAPI_E_NETWORK_ERROR;
  }
  const char* bookId = param && param->szFileName ? param->szFileName : "";
  ESource* source = *bookId ? e_source_registry_ref_source(registry, bookId)
                            : e_source_registry_ref_default_address_book(registry);
  if (!source || !e_source_has_extension(source, E_SOURCE_EXTENSION_ADDRESS_BOOK)) {
    if (source) g_object_unref(source);
    g_object_unref(registry);
    return MAPI_E_NOT_FOUND;
  }
  // Opens the book as it is now: no waiting for a remote book to come on line.
  EClient* client = e_book_client_connect_sync(source, static_cast<guint32>(-1), deadline.get(), &error);
  g_object_unref(source);
  if (!client) {
    g_clear_error(&error);
    g_object_unref(registry);
    return MAPI_E_NETWORK_ERROR;
  }
  *addrBook = new AddrBook(registry, E_BOOK_CLIENT(client));
  *wabObject = new WabObject();
  return S_OK;
}

char g_library;  // the built-in library's handle points here

}  // namespace

HMODULE LoadLibraryA(LPCSTR) { return reinterpret_cast<HMODULE>(&g_library); }

void* GetProcAddress(HMODULE module, LPCSTR name) {
  if (module != reinterpret_cast<HMODULE>(&g_library) || !name || std::strcmp(name, "WABOpen") != 0) return nullptr;
  return reinterpret_cast<void*>(&WABOpen);
}

BOOL FreeLibrary(HMODULE module) { return module == reinterpret_cast<HMODULE>(&g_library) ? TRUE : FALSE; }

}  // namespace varlo::wab
