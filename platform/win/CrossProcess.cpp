#include "platform/win/CrossProcess.h"

#include "platform/core/RuntimeDir.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win/MessageSystem.h"
#include "platform/win/WinMessages.h"

namespace varlo::win {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kMagic = 0x31444356;  // "VCD1"
constexpr std::uint32_t kProbe = 1;
constexpr std::uint32_t kCopyData = 2;
constexpr std::uint32_t kDelivered = 0;
constexpr std::uint32_t kNoSuchWindow = 1;
constexpr std::uint32_t kRefused = 2;
constexpr std::uint32_t kNotDelivered = 3;
constexpr size_t kRequestHeaderBytes = 28;
constexpr size_t kReplyBytes = 16;
// A connected peer has this long to deliver its whole request.
constexpr auto kServeTimeout = std::chrono::milliseconds(2000);
// Connections served at once by one window.
constexpr size_t kMaxConnections = 32;

std::atomic<std::int64_t> g_timeoutMs{3000};

struct Fd {
  int fd = -1;
  Fd() = default;
  explicit Fd(int f) : fd(f) {}
  ~Fd() {
    if (fd >= 0) ::close(fd);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  Fd(Fd&& o) noexcept : fd(o.fd) { o.fd = -1; }
  int Release() {
    const int f = fd;
    fd = -1;
    return f;
  }
};

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(left);
}

// Waits until fd is ready for events; false at the deadline, on an error, or when wakeFd
// (if any) becomes readable.
bool WaitFor(int fd, short events, Clock::time_point deadline, int wakeFd) {
  for (;;) {
    pollfd p[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
    const int ms = RemainingMs(deadline);
    const int n = ::poll(p, wakeFd >= 0 ? 2 : 1, ms);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    if (wakeFd >= 0 && p[1].revents) return false;
    return (p[0].revents & (events | POLLHUP | POLLERR)) != 0;
  }
}

bool ReadAll(int fd, void* buffer, size_t size, Clock::time_point deadline, int wakeFd = -1) {
  auto* out = static_cast<char*>(buffer);
  while (size > 0) {
    const ssize_t n = ::recv(fd, out, size, 0);
    if (n > 0) {
      out += n;
      size -= static_cast<size_t>(n);
    } else if (n == 0) {
      return false;
    } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
      if (!WaitFor(fd, POLLIN, deadline, wakeFd)) return false;
    } else if (errno != EINTR) {
      return false;
    }
  }
  return true;
}

bool WriteAll(int fd, const void* buffer, size_t size, Clock::time_point deadline) {
  const auto* in = static_cast<const char*>(buffer);
  while (size > 0) {
    const ssize_t n = ::send(fd, in, size, MSG_NOSIGNAL);
    if (n > 0) {
      in += n;
      size -= static_cast<size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!WaitFor(fd, POLLOUT, deadline, -1)) return false;
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return false;
    }
  }
  return true;
}

template <typename T>
void Put(std::vector<char>& out, T value) {
  const size_t at = out.size();
  out.resize(at + sizeof(T));
  std::memcpy(out.data() + at, &value, sizeof(T));
}

template <typename T>
T Get(const char* in) {
  T value;
  std::memcpy(&value, in, sizeof(T));
  return value;
}

bool PeerIsThisUser(int fd) {
  ucred cred{};
  socklen_t length = sizeof(cred);
  if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) != 0) return false;
  return cred.uid == ::geteuid();
}

// FNV-1a, 64 bits: a short, fixed-length socket name for any title.
std::string SocketName(const std::string& title) {
  std::uint64_t h = 0xcbf29ce484222325ULL;
  for (unsigned char c : title) {
    h ^= c;
    h *= 0x100000001b3ULL;
  }
  char name[32];
  std::snprintf(name, sizeof(name), "w-%016llx", static_cast<unsigned long long>(h));
  return name;
}

bool MakeAddress(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

// Connects to a window's socket within the deadline and checks that its owner is this user.
Fd Connect(const std::string& path, Clock::time_point deadline) {
  sockaddr_un address;
  if (!MakeAddress(path, address)) return Fd();
  for (;;) {
    Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (fd.fd < 0) return Fd();
    if (::connect(fd.fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
      return PeerIsThisUser(fd.fd) ? std::move(fd) : Fd();
    }
    // A full backlog: the listener is busy with another program's request.
    if (errno != EAGAIN || RemainingMs(deadline) == 0) return Fd();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

struct Reply {
  std::uint32_t status = kNotDelivered;
  LRESULT result = 0;
};

std::optional<Reply> Exchange(const std::string& path, std::uint32_t kind, const std::string& className,
                              const std::string& title, UINT_PTR dwData, const void* payload, DWORD size) {
  const auto deadline = Clock::now() + CrossProcessTimeout();
  Fd fd = Connect(path, deadline);
  if (fd.fd < 0) return std::nullopt;
  std::vector<char> request;
  Put<std::uint32_t>(request, kMagic);
  Put<std::uint32_t>(request, kind);
  Put<std::uint64_t>(request, dwData);
  Put<std::uint32_t>(request, static_cast<std::uint32_t>(className.size()));
  Put<std::uint32_t>(request, static_cast<std::uint32_t>(title.size()));
  Put<std::uint32_t>(request, size);
  request.insert(request.end(), className.begin(), className.end());
  request.insert(request.end(), title.begin(), title.end());
  if (size) request.insert(request.end(), static_cast<const char*>(payload), static_cast<const char*>(payload) + size);
  if (!WriteAll(fd.fd, request.data(), request.size(), deadline)) return std::nullopt;
  char answer[kReplyBytes];
  if (!ReadAll(fd.fd, answer, sizeof(answer), deadline)) return std::nullopt;
  Reply reply;
  reply.status = Get<std::uint32_t>(answer);
  reply.result = static_cast<LRESULT>(Get<std::int64_t>(answer + 8));
  return reply;
}

// The listening side of one shared window.  Each connection is served on a thread of its
// own, with its own deadline, so that a program that connects and then sends slowly (or
// not at all) holds up nobody else; at most kMaxConnections are served at once, and
// further ones wait in the listening queue until one of them ends.
class Receiver {
 public:
  Receiver(HWND hwnd, std::string className, std::string title, std::string path, Fd listener, ino_t inode)
      : m_hwnd(hwnd),
        m_className(std::move(className)),
        m_title(std::move(title)),
        m_path(std::move(path)),
        m_listener(std::move(listener)),
        m_inode(inode) {
    int wakeFds[2];
    int doneFds[2];
    if (::pipe2(wakeFds, O_CLOEXEC | O_NONBLOCK) != 0) return;  // never listens
    m_wakeRead.fd = wakeFds[0];
    m_wakeWrite.fd = wakeFds[1];
    if (::pipe2(doneFds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    m_doneRead.fd = doneFds[0];
    m_doneWrite.fd = doneFds[1];
    m_thread = std::thread([this] { Run(); });
  }
  ~Receiver() {
    m_stop = true;
    const char c = 0;
    [[maybe_unused]] const ssize_t n = ::write(m_wakeWrite.fd, &c, 1);
    if (m_thread.joinable()) m_thread.join();
    // The name goes only while it still names this socket.
    struct stat st;
    if (::lstat(m_path.c_str(), &st) == 0 && st.st_ino == m_inode) ::unlink(m_path.c_str());
  }
  Receiver(const Receiver&) = delete;
  Receiver& operator=(const Receiver&) = delete;

 private:
  // One connection being served.
  struct Connection {
    std::thread thread;
    std::atomic<bool> done{false};
  };

  void Run() {
    while (!m_stop) {
      const bool room = m_connections.size() < kMaxConnections;
      // With no room the listener is not polled: its queue holds the next ones meanwhile.
      pollfd p[3] = {{m_wakeRead.fd, POLLIN, 0}, {m_doneRead.fd, POLLIN, 0}, {m_listener.fd, POLLIN, 0}};
      const int n = ::poll(p, room ? 3 : 2, -1);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 || m_stop || p[0].revents) break;
      if (p[1].revents) ReapFinished();
      if (!room || !(p[2].revents & POLLIN)) continue;
      Fd connection(::accept4(m_listener.fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
      if (connection.fd < 0) continue;
      auto served = std::make_unique<Connection>();
      Connection* self = served.get();
      served->thread = std::thread([this, self, fd = connection.Release()] {
        Fd owned(fd);
        Serve(owned.fd);
        self->done = true;
        const char c = 0;
        [[maybe_unused]] const ssize_t n = ::write(m_doneWrite.fd, &c, 1);
      });
      m_connections.push_back(std::move(served));
    }
    // The wake pipe stays readable, so every connection still being served ends soon.
    for (auto& c : m_connections) c->thread.join();
    m_connections.clear();
  }

  void ReapFinished() {
    char drain[64];
    while (::read(m_doneRead.fd, drain, sizeof(drain)) > 0) {
    }
    for (auto it = m_connections.begin(); it != m_connections.end();) {
      if ((*it)->done) {
        (*it)->thread.join();
        it = m_connections.erase(it);
      } else {
        ++it;
      }
    }
  }

  void Answer(int fd, std::uint32_t status, LRESULT result, Clock::time_point deadline) {
    std::vector<char> reply;
    Put<std::uint32_t>(reply, status);
    Put<std::uint32_t>(reply, 0);
    Put<std::int64_t>(reply, static_cast<std::int64_t>(result));
    WriteAll(fd, reply.data(), reply.size(), deadline);
  }

  void Serve(int fd) {
    // Another user's program gets no answer at all.
    if (!PeerIsThisUser(fd)) return;
    const auto deadline = Clock::now() + kServeTimeout;
    char header[kRequestHeaderBytes];
    if (!ReadAll(fd, header, sizeof(header), deadline, m_wakeRead.fd)) return;
    const auto magic = Get<std::uint32_t>(header);
    const auto kind = Get<std::uint32_t>(header + 4);
    const auto dwData = Get<std::uint64_t>(header + 8);
    const auto classLength = Get<std::uint32_t>(header + 16);
    const auto titleLength = Get<std::uint32_t>(header + 20);
    const auto size = Get<std::uint32_t>(header + 24);
    if (magic != kMagic || (kind != kProbe && kind != kCopyData) || classLength > kMaxWindowNameBytes ||
        titleLength > kMaxWindowNameBytes || size > kMaxCopyDataBytes || (kind == kProbe && size != 0)) {
      Answer(fd, kRefused, 0, deadline);
      return;
    }
    std::string className(classLength, '\0');
    std::string title(titleLength, '\0');
    // One byte more than the payload, so that a text payload always ends.
    std::vector<char> payload(size + 1, '\0');
    if (!ReadAll(fd, className.data(), classLength, deadline, m_wakeRead.fd) ||
        !ReadAll(fd, title.data(), titleLength, deadline, m_wakeRead.fd) ||
        !ReadAll(fd, payload.data(), size, deadline, m_wakeRead.fd)) {
      return;
    }
    if (title != m_title || (!className.empty() && className != m_className)) {
      Answer(fd, kNoSuchWindow, 0, deadline);
      return;
    }
    if (kind == kProbe) {
      Answer(fd, kDelivered, 0, deadline);
      return;
    }
    COPYDATASTRUCT data;
    data.dwData = static_cast<UINT_PTR>(dwData);
    data.cbData = size;
    data.lpData = size ? payload.data() : nullptr;
    const std::optional<LRESULT> result =
        MessageSystem::Instance().Send(m_hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    // The sender may have given up meanwhile; the answer is then lost harmlessly.
    Answer(fd, result ? kDelivered : kNotDelivered, result.value_or(0), Clock::now() + kServeTimeout);
  }

  const HWND m_hwnd;
  const std::string m_className;
  const std::string m_title;
  const std::string m_path;
  Fd m_listener;
  const ino_t m_inode;
  Fd m_wakeRead;
  Fd m_wakeWrite;
  Fd m_doneRead;   // a byte for each connection served
  Fd m_doneWrite;
  std::atomic<bool> m_stop{false};
  std::vector<std::unique_ptr<Connection>> m_connections;  // the listener thread's alone
  std::thread m_thread;
};

// Binds a listening socket at path; a name left by a program that has gone is taken over.
Fd Listen(const std::string& path, ino_t& inode) {
  sockaddr_un address;
  if (!MakeAddress(path, address)) return Fd();
  for (int attempt = 0; attempt < 2; ++attempt) {
    Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (fd.fd < 0) return Fd();
    if (::bind(fd.fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0) {
      struct stat st;
      if (::chmod(path.c_str(), 0600) != 0 || ::lstat(path.c_str(), &st) != 0 || ::listen(fd.fd, 16) != 0) {
        ::unlink(path.c_str());
        return Fd();
      }
      inode = st.st_ino;
      return fd;
    }
    if (errno != EADDRINUSE) return Fd();
    Fd probe(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (probe.fd < 0) return Fd();
    if (::connect(probe.fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 ||
        errno != ECONNREFUSED) {
      return Fd();  // a live window of that title
    }
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) return Fd();
    ::unlink(path.c_str());
  }
  return Fd();
}

struct RemoteWindow {
  std::string className;
  std::string title;
  std::string path;
};

struct RemoteTable {
  std::mutex mutex;
  std::map<UINT_PTR, RemoteWindow> windows;
  // Far above the layer's own handles.
  UINT_PTR next = static_cast<UINT_PTR>(1) << 48;
};

RemoteTable& Remotes() {
  static RemoteTable* const table = new RemoteTable();
  return *table;
}

}  // namespace

std::chrono::milliseconds CrossProcessTimeout() { return std::chrono::milliseconds(g_timeoutMs.load()); }

void SetCrossProcessTimeout(std::chrono::milliseconds timeout) { g_timeoutMs = timeout.count(); }

std::string CrossProcessDirectory() {
  // The session's run-time folder holds a folder of ours; without one, the private folder
  // made for this user is ours already.
  const std::string base = PrivateRuntimeDirectory();
  if (base.empty() || base != SessionRuntimeDirectory()) return base;
  const std::string dir = base + "/varlo";
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return "";
  return IsPrivateDirectory(dir) ? dir : "";
}

bool ShareWithOtherPrograms(HWND hwnd) {
  MessageSystem& sys = MessageSystem::Instance();
  WindowState* w = sys.Find(hwnd);
  if (!w || w->sharedWithOtherPrograms || w->text.empty() || w->text.size() > kMaxWindowNameBytes) return false;
  const std::string dir = CrossProcessDirectory();
  if (dir.empty()) return false;
  const std::string path = dir + "/" + SocketName(w->text);
  ino_t inode = 0;
  Fd listener = Listen(path, inode);
  if (listener.fd < 0) return false;
  w->sharedWithOtherPrograms = std::make_shared<Receiver>(hwnd, w->className, w->text, path, std::move(listener), inode);
  return true;
}

HWND FindWindowOfOtherProgram(const char* className, const char* windowName) {
  if (!windowName || !*windowName || std::strlen(windowName) > kMaxWindowNameBytes) return nullptr;
  const std::string dir = CrossProcessDirectory();
  if (dir.empty()) return nullptr;
  RemoteWindow window{className ? className : "", windowName, dir + "/" + SocketName(windowName)};
  if (window.className.size() > kMaxWindowNameBytes) return nullptr;
  const std::optional<Reply> reply = Exchange(window.path, kProbe, window.className, window.title, 0, nullptr, 0);
  if (!reply || reply->status != kDelivered) return nullptr;
  RemoteTable& table = Remotes();
  std::lock_guard lock(table.mutex);
  for (const auto& [handle, known] : table.windows) {
    if (known.path == window.path && known.className == window.className && known.title == window.title) {
      return reinterpret_cast<HWND>(handle);
    }
  }
  const UINT_PTR handle = table.next++;
  table.windows.emplace(handle, std::move(window));
  return reinterpret_cast<HWND>(handle);
}

bool IsOtherProgramWindow(HWND hwnd) {
  RemoteTable& table = Remotes();
  std::lock_guard lock(table.mutex);
  return table.windows.count(reinterpret_cast<UINT_PTR>(hwnd)) != 0;
}

std::optional<LRESULT> SendCopyDataToOtherProgram(HWND hwnd, const COPYDATASTRUCT* data) {
  if (!data || data->cbData > kMaxCopyDataBytes || (data->cbData && !data->lpData)) return std::nullopt;
  RemoteWindow window;
  {
    RemoteTable& table = Remotes();
    std::lock_guard lock(table.mutex);
    auto it = table.windows.find(reinterpret_cast<UINT_PTR>(hwnd));
    if (it == table.windows.end()) return std::nullopt;
    window = it->second;
  }
  const std::optional<Reply> reply =
      Exchange(window.path, kCopyData, window.className, window.title, data->dwData, data->lpData, data->cbData);
  if (!reply || reply->status != kDelivered) return std::nullopt;
  return reply->result;
}

}  // namespace varlo::win
