// The address book's interfaces over what the address-book program (varlo-contacts,
// AddressBookProgram.cpp) reads from the desktop's Evolution Data Server when the book is
// opened.  The default container is that address book; its entries are its contacts, by
// their ids, and its contact lists are the distribution lists.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/wab/Wab.h"
#include "platform/wab/WabAllocator.h"

extern char** environ;

namespace varlo::wab {
namespace {

constexpr char kProgramName[] = "varlo-contacts";
// How long the program may take; it gives up on the server itself a little earlier.
constexpr auto kProgramTime = std::chrono::seconds(20);
constexpr size_t kMaxOutput = 16u << 20;

std::string& ProgramOverride() {
  static std::string path;
  return path;
}

std::string ProgramPath() {
  if (!ProgramOverride().empty()) return ProgramOverride();
  std::error_code error;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return (self.parent_path() / kProgramName).string();
}

constexpr int kCancelled = -2;

// Runs the program with its arguments and collects what it prints, within kProgramTime and
// kMaxOutput.  Returns its exit status, -1 when it did not run or finish, kCancelled when
// `cancel` stopped it.
int RunProgram(const std::string& path, const std::vector<std::string>& args, std::string& output,
               const OpenCancellation* cancel) {
  if (cancel && cancel->IsCancelled()) return kCancelled;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  std::string program = path;
  argv.push_back(program.data());
  std::vector<std::string> copies = args;
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (spawned != 0) {
    ::close(fds[0]);
    return -1;
  }
  const auto deadline = std::chrono::steady_clock::now() + kProgramTime;
  bool finished = false;
  bool cancelled = false;
  char buffer[65536];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd p[2] = {{fds[0], POLLIN, 0}, {cancel ? cancel->Descriptor() : -1, POLLIN, 0}};
    const int ready = ::poll(p, 2, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    if (p[1].revents || (cancel && cancel->IsCancelled())) {
      cancelled = true;
      break;
    }
    const ssize_t n = ::read(fds[0], buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      finished = n == 0;
      break;
    }
    output.append(buffer, static_cast<size_t>(n));
    if (output.size() > kMaxOutput) break;
  }
  ::close(fds[0]);
  if (!finished) ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (cancelled) return kCancelled;
  if (!finished || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

struct Entry {
  ULONG objectType = MAPI_MAILUSER;
  std::string id;                                      // the entry id's bytes
  std::vector<std::pair<ULONG, std::string>> strings;  // present values only
};

// Entry ids: four flag bytes, then 'C' for the container or 'U' and a contact's id.
std::string IdBytes(char kind, const std::string& uid) { return std::string(4, '\0') + kind + uid; }
const std::string& ContainerId() {
  static const std::string id = IdBytes('C', "");
  return id;
}

// The program's lines; a line that is not whole is passed over.
std::vector<Entry> ParseEntries(const std::string& output) {
  std::vector<Entry> entries;
  size_t start = 0;
  while (start < output.size() && entries.size() < kMaxTableRows) {
    const size_t end = output.find('\n', start);
    if (end == std::string::npos) break;
    std::vector<std::string> fields;
    size_t from = start;
    for (;;) {
      const size_t tab = output.find('\t', from);
      if (tab == std::string::npos || tab > end) {
        fields.push_back(output.substr(from, end - from));
        break;
      }
      fields.push_back(output.substr(from, tab - from));
      from = tab + 1;
    }
    start = end + 1;
    if (fields.size() != 7 || (fields[0] != "6" && fields[0] != "8") || fields[1].empty()) continue;
    Entry entry;
    entry.objectType = fields[0] == "8" ? MAPI_DISTLIST : MAPI_MAILUSER;
    entry.id = IdBytes('U', fields[1]);
    const ULONG tags[] = {PR_DISPLAY_NAME, PR_EMAIL_ADDRESS, PR_BUSINESS_TELEPHONE_NUMBER, PR_HOME_TELEPHONE_NUMBER,
                          PR_CELLULAR_TELEPHONE_NUMBER};
    for (size_t i = 0; i < 5; ++i) {
      std::string& value = fields[i + 2];
      if (value.size() > kMaxPropText) value.resize(kMaxPropText);
      if (!value.empty()) entry.strings.emplace_back(tags[i], value);
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

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

// The entry's value for `tag`, or an error value when it has none.
HRESULT FillProp(SPropValue& prop, ULONG tag, const Entry& entry, LPVOID owner) {
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

HRESULT BuildProps(const std::vector<ULONG>& tags, const Entry& entry, ULONG* count, LPSPropValue* props) {
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
  if (!tags) return {};
  const ULONG* first = tags->aulPropTag;
  return std::vector<ULONG>(first, first + std::min<ULONG>(tags->cValues, 64));
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

using Entries = std::shared_ptr<const std::vector<Entry>>;

class MailUser : public RefCounted<IMailUser> {
 public:
  explicit MailUser(Entry entry) : m_entry(std::move(entry)) {}
  HRESULT GetProps(LPSPropTagArray tags, ULONG, ULONG* count, LPSPropValue* props) override {
    if (!count || !props) return E_INVALIDARG;
    std::vector<ULONG> wanted = TagsOf(tags);
    if (!tags) {
      wanted = {PR_OBJECT_TYPE, PR_ENTRYID};
      for (const auto& value : m_entry.strings) wanted.push_back(value.first);
    }
    return BuildProps(wanted, m_entry, count, props);
  }

 private:
  Entry m_entry;
};

class ContentsTable : public RefCounted<IMAPITable> {
 public:
  explicit ContentsTable(Entries entries) : m_entries(std::move(entries)) {}
  HRESULT SetColumns(LPSPropTagArray columns, ULONG) override {
    if (!columns) return E_INVALIDARG;
    m_columns = TagsOf(columns);
    return S_OK;
  }
  HRESULT SeekRow(BOOKMARK origin, LONG rowCount, LONG* sought) override {
    if (origin != BOOKMARK_BEGINNING) return MAPI_E_NO_SUPPORT;
    const LONG target = std::clamp<LONG>(rowCount, 0, static_cast<LONG>(m_entries->size()));
    m_position = static_cast<size_t>(target);
    if (sought) *sought = target;
    return S_OK;
  }
  HRESULT QueryRows(LONG rowCount, ULONG, LPSRowSet* rows) override {
    if (!rows || rowCount < 0) return E_INVALIDARG;
    const size_t n = std::min(static_cast<size_t>(rowCount), m_entries->size() - m_position);
    LPVOID set = nullptr;
    HRESULT hr = AllocateBuffer(static_cast<ULONG>(sizeof(SRowSet) + sizeof(SRow) * std::max<size_t>(n, 1)), &set);
    if (FAILED(hr)) return hr;
    auto* rowSet = static_cast<LPSRowSet>(set);
    for (size_t i = 0; i < n; ++i) {
      SRow& row = rowSet->aRow[i];
      hr = BuildProps(m_columns, (*m_entries)[m_position + i], &row.cValues, &row.lpProps);
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
  Entries m_entries;
  std::vector<ULONG> m_columns{PR_ENTRYID, PR_DISPLAY_NAME, PR_OBJECT_TYPE};
  size_t m_position = 0;
};

class Container : public RefCounted<IABContainer> {
 public:
  explicit Container(Entries entries) : m_entries(std::move(entries)) {}
  HRESULT GetProps(LPSPropTagArray, ULONG, ULONG*, LPSPropValue*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT GetContentsTable(ULONG, LPMAPITABLE* table) override {
    if (!table) return E_INVALIDARG;
    *table = new ContentsTable(m_entries);
    return S_OK;
  }

 private:
  Entries m_entries;
};

class AddrBook : public RefCounted<IAddrBook> {
 public:
  explicit AddrBook(Entries entries) : m_entries(std::move(entries)) {
    // Entries are opened one by one for every row of the book: found by their id at once.
    m_byId.reserve(m_entries->size());
    for (size_t i = 0; i < m_entries->size(); ++i) m_byId.emplace((*m_entries)[i].id, i);  // the first of equal ids
  }
  HRESULT GetProps(LPSPropTagArray, ULONG, ULONG*, LPSPropValue*) override { return MAPI_E_NO_SUPPORT; }
  HRESULT GetPAB(ULONG* size, LPENTRYID* entryId) override {
    if (!size || !entryId) return E_INVALIDARG;
    LPVOID buffer = nullptr;
    HRESULT hr = AllocateBuffer(static_cast<ULONG>(ContainerId().size()), &buffer);
    if (FAILED(hr)) return hr;
    std::memcpy(buffer, ContainerId().data(), ContainerId().size());
    *size = static_cast<ULONG>(ContainerId().size());
    *entryId = static_cast<LPENTRYID>(buffer);
    return S_OK;
  }
  HRESULT OpenEntry(ULONG size, LPENTRYID entryId, LPCIID, ULONG, ULONG* objectType, LPUNKNOWN* object) override {
    if (!objectType || !object || (size > 0 && !entryId)) return E_INVALIDARG;
    *object = nullptr;
    const std::string id(reinterpret_cast<const char*>(entryId), size);
    if (size == 0 || id == ContainerId()) {
      *objectType = MAPI_ABCONT;
      *object = new Container(m_entries);
      return S_OK;
    }
    const auto found = m_byId.find(id);
    if (found == m_byId.end()) return MAPI_E_NOT_FOUND;
    const Entry& entry = (*m_entries)[found->second];
    *objectType = entry.objectType;
    *object = new MailUser(entry);
    return S_OK;
  }

 private:
  Entries m_entries;
  std::unordered_map<std::string, size_t> m_byId;
};

class WabObject : public RefCounted<IWABObject> {
 public:
  HRESULT AllocateBuffer(ULONG size, LPVOID* buffer) override { return wab::AllocateBuffer(size, buffer); }
  HRESULT AllocateMore(ULONG size, LPVOID parent, LPVOID* buffer) override {
    return wab::AllocateMore(size, parent, buffer);
  }
  HRESULT FreeBuffer(LPVOID buffer) override { return wab::FreeBuffer(buffer); }
};

// The address-book program found when the library was loaded.
struct Library {
  std::string program;
};

HRESULT WABOpen(LPADRBOOK* addrBook, LPWABOBJECT* wabObject, LPWAB_PARAM param, DWORD) {
  if (!addrBook || !wabObject) return E_INVALIDARG;
  *addrBook = nullptr;
  *wabObject = nullptr;
  const std::string program = ProgramPath();
  std::vector<std::string> args;
  if (param && param->szFileName && *param->szFileName) args.emplace_back(param->szFileName);
  std::string output;
  const int status = RunProgram(program, args, output, param ? param->cancel : nullptr);
  if (status == kCancelled) return MAPI_E_USER_CANCEL;
  if (status == 3) return MAPI_E_NOT_FOUND;
  if (status != 0) return MAPI_E_NETWORK_ERROR;
  *addrBook = new AddrBook(std::make_shared<const std::vector<Entry>>(ParseEntries(output)));
  *wabObject = new WabObject();
  return S_OK;
}

}  // namespace

void SetAddressBookProgram(const std::string& path) { ProgramOverride() = path; }

OpenCancellation::OpenCancellation() {
  if (::pipe2(m_fds, O_CLOEXEC | O_NONBLOCK) != 0) m_fds[0] = m_fds[1] = -1;
}

OpenCancellation::~OpenCancellation() {
  for (int fd : m_fds) {
    if (fd >= 0) ::close(fd);
  }
}

void OpenCancellation::Cancel() {
  if (m_cancelled.exchange(true)) return;
  const char byte = 0;
  if (m_fds[1] >= 0) {
    [[maybe_unused]] const ssize_t n = ::write(m_fds[1], &byte, 1);
  }
}

bool OpenCancellation::IsCancelled() const { return m_cancelled; }

HMODULE LoadLibraryA(LPCSTR) {
  // Whatever the name, the library is the built-in one; it loads when its program is there.
  const std::string program = ProgramPath();
  if (program.empty() || ::access(program.c_str(), X_OK) != 0) return nullptr;
  return reinterpret_cast<HMODULE>(new Library{program});
}

void* GetProcAddress(HMODULE module, LPCSTR name) {
  if (!module || !name || std::strcmp(name, "WABOpen") != 0) return nullptr;
  return reinterpret_cast<void*>(&WABOpen);
}

BOOL FreeLibrary(HMODULE module) {
  if (!module) return FALSE;
  delete reinterpret_cast<Library*>(module);
  return TRUE;
}

}  // namespace varlo::wab
