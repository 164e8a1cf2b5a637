#include "stack/ptlib/PIPSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

bool PIPSocket::GetInterfaceTable(InterfaceTable& table) {
  table.clear();
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return false;
  for (ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
    if ((i->ifa_flags & IFF_UP) == 0) continue;
    InterfaceEntry e;
    e.name = i->ifa_name ? i->ifa_name : "";
    e.address = Address(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr);
    if (i->ifa_netmask != nullptr)
      e.netmask = Address(reinterpret_cast<const sockaddr_in*>(i->ifa_netmask)->sin_addr);
    e.loopback = (i->ifa_flags & IFF_LOOPBACK) != 0 || e.address.IsLoopback();
    table.push_back(e);
  }
  freeifaddrs(list);
  return true;
}

PIPSocket::Address PIPSocket::GetDefaultLocalAddress() {
  InterfaceTable table;
  if (GetInterfaceTable(table)) {
    for (const auto& e : table)
      if (!e.loopback && e.address.IsValid()) return e.address;
  }
  return Address::GetLoopback();
}

bool PIPSocket::GetHostAddress(const PString& host, Address& address) {
  if (host.IsEmpty()) return false;
  const Address dotted(host);
  if (dotted.IsValid()) {
    address = dotted;
    return true;
  }
  addrinfo hints{};
  hints.ai_family = AF_INET;
  addrinfo* result = nullptr;
  if (getaddrinfo(host.GetPointer(), nullptr, &hints, &result) != 0 || result == nullptr) return false;
  address = Address(reinterpret_cast<const sockaddr_in*>(result->ai_addr)->sin_addr);
  freeaddrinfo(result);
  return true;
}

PIPSocket::~PIPSocket() { Close(); }

int PIPSocket::SelectReadable(std::initializer_list<PIPSocket*> sockets, PTimeInterval timeout) {
  std::vector<std::unique_ptr<Use>> uses;
  std::vector<pollfd> fds;
  for (PIPSocket* s : sockets) {
    uses.push_back(std::make_unique<Use>(*s));
    if (!*uses.back()) return kSelectClosed;
    fds.push_back({uses.back()->fd(), POLLIN, 0});
    std::lock_guard lock(s->m_mutex);
    fds.push_back({s->m_wakeFd, POLLIN, 0});
  }
  const int ms = timeout.IsInfinite() ? -1 : static_cast<int>(std::min<int64_t>(timeout.GetMilliSeconds(), INT32_MAX));
  int r;
  do {
    r = ::poll(fds.data(), fds.size(), ms);
  } while (r < 0 && errno == EINTR);
  if (r < 0) return kSelectClosed;
  if (r == 0) return kSelectTimeout;
  for (size_t i = 0; i < fds.size(); i += 2)
    if (fds[i + 1].revents != 0) return kSelectClosed;
  for (size_t i = 0; i < fds.size(); i += 2)
    if (fds[i].revents != 0) return static_cast<int>(i / 2);
  return kSelectTimeout;
}

bool PIPSocket::IsOpen() const {
  std::lock_guard lock(m_mutex);
  return m_fd >= 0 && !m_closing;
}

bool PIPSocket::OpenSocket(int type) {
  Close();
  const int fd = ::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return SetErrnoError(errno);
  return AdoptHandle(fd);
}

bool PIPSocket::AdoptHandle(int fd) {
  const int wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake < 0) {
    const int e = errno;
    ::close(fd);
    return SetErrnoError(e);
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
  std::lock_guard lock(m_mutex);
  m_fd = fd;
  m_wakeFd = wake;
  m_closing = false;
  ClearError();
  return true;
}

bool PIPSocket::Close() {
  std::unique_lock lock(m_mutex);
  if (m_fd < 0) return false;
  if (m_closing) {
    // Another thread is closing it; wait until it is done.
    m_idle.wait(lock, [this] { return m_fd < 0; });
    return true;
  }
  m_closing = true;
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
  m_idle.wait(lock, [this] { return m_users == 0; });
  ::close(m_fd);
  ::close(m_wakeFd);
  m_fd = -1;
  m_wakeFd = -1;
  m_closing = false;
  m_idle.notify_all();
  return true;
}

PIPSocket::Use::Use(const PIPSocket& socket) : m_socket(socket) {
  std::lock_guard lock(socket.m_mutex);
  if (socket.m_fd >= 0 && !socket.m_closing) {
    m_fd = socket.m_fd;
    ++socket.m_users;
  }
}

PIPSocket::Use::~Use() {
  if (m_fd < 0) return;
  std::lock_guard lock(m_socket.m_mutex);
  if (--m_socket.m_users == 0) m_socket.m_idle.notify_all();
}

PIPSocket::Wait PIPSocket::WaitFor(int fd, short events, PTimeInterval timeout) const {
  int wake = -1;
  {
    std::lock_guard lock(m_mutex);
    wake = m_wakeFd;
  }
  pollfd fds[2] = {{fd, events, 0}, {wake, POLLIN, 0}};
  const bool forever = timeout.IsInfinite();
  const int64_t deadline = forever ? 0 : timeout.GetMilliSeconds();
  int64_t waited = 0;
  while (true) {
    const int slice = forever ? -1 : static_cast<int>(std::max<int64_t>(0, deadline - waited));
    timespec before{};
    clock_gettime(CLOCK_MONOTONIC, &before);
    const int r = ::poll(fds, 2, slice);
    if (r < 0) {
      if (errno == EINTR) {
        timespec after{};
        clock_gettime(CLOCK_MONOTONIC, &after);
        waited += (after.tv_sec - before.tv_sec) * 1000 + (after.tv_nsec - before.tv_nsec) / 1000000;
        continue;
      }
      return Wait::Failed;
    }
    if (fds[1].revents != 0) return Wait::Closed;
    if (r == 0) return Wait::TimedOut;
    if (fds[0].revents & (events | POLLERR | POLLHUP)) return Wait::Ready;
    if (fds[0].revents & POLLNVAL) return Wait::Failed;
  }
}

bool PIPSocket::SetWaitError(Wait w) {
  switch (w) {
    case Wait::Ready: return true;
    case Wait::TimedOut: return SetError(Timeout);
    case Wait::Closed: return SetError(Interrupted);
    case Wait::Failed: return SetErrnoError(errno);
  }
  return false;
}

bool PIPSocket::Bind(const Address& address, uint16_t port, bool reuse) {
  Use use(*this);
  if (!use) return SetError(NotOpen);
  if (reuse) {
    const int on = 1;
    setsockopt(use.fd(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  }
  const sockaddr_in sa = MakeSockAddr(address, port);
  if (::bind(use.fd(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) return SetErrnoError(errno);
  return true;
}

sockaddr_in PIPSocket::MakeSockAddr(const Address& address, uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr = address.AsInAddr();
  return sa;
}

bool PIPSocket::GetLocalAddress(Address& address, uint16_t& port) const {
  Use use(*this);
  if (!use) return false;
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  if (getsockname(use.fd(), reinterpret_cast<sockaddr*>(&sa), &len) != 0) return false;
  address = Address(sa.sin_addr);
  port = ntohs(sa.sin_port);
  return true;
}

bool PIPSocket::GetPeerAddress(Address& address, uint16_t& port) const {
  Use use(*this);
  if (!use) return false;
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  if (getpeername(use.fd(), reinterpret_cast<sockaddr*>(&sa), &len) != 0) return false;
  address = Address(sa.sin_addr);
  port = ntohs(sa.sin_port);
  return true;
}

uint16_t PIPSocket::GetPort() const {
  Address a;
  uint16_t port = 0;
  return GetLocalAddress(a, port) ? port : 0;
}

int PIPSocket::GetHandle() const {
  std::lock_guard lock(m_mutex);
  return m_fd;
}
