#include "stack/q931/TcpSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

enum class Wait { Ready, Aborted, TimedOut, Failed };

// Waits until `fd` has `events` or `abort` is signalled; a negative timeout waits for ever.
Wait WaitFor(int fd, short events, const WakeEvent& abort, std::chrono::milliseconds timeout) {
  const bool forever = timeout.count() < 0;
  const auto deadline = Clock::now() + (forever ? std::chrono::milliseconds(0) : timeout);
  for (;;) {
    pollfd fds[2] = {{fd, events, 0}, {abort.GetHandle(), POLLIN, 0}};
    int waitMs = -1;
    if (!forever) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      waitMs = left > 0 ? static_cast<int>(left) : 0;
    }
    const int n = poll(fds, 2, waitMs);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Wait::Failed;
    }
    if (fds[1].revents) return Wait::Aborted;
    if (fds[0].revents) return Wait::Ready;
    if (!forever && Clock::now() >= deadline) return Wait::TimedOut;
  }
}

sockaddr_in ToSockaddr(const TcpAddress& address) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(address.ip);
  sa.sin_port = htons(address.port);
  return sa;
}

TcpAddress FromSockaddr(const sockaddr_in& sa) { return TcpAddress{ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port)}; }

TcpSocket::Status Fail(std::string* error, const char* what, int err, TcpSocket::Status status = TcpSocket::Status::Failed) {
  if (error) *error = std::string(what) + ": " + std::strerror(err);
  return status;
}

TcpSocket::Status StatusFromConnectError(int err) {
  switch (err) {
    case ECONNREFUSED: return TcpSocket::Status::Refused;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case EHOSTDOWN:
    case ENETDOWN:
      return TcpSocket::Status::Unreachable;
    case ETIMEDOUT: return TcpSocket::Status::TimedOut;
    default: return TcpSocket::Status::Failed;
  }
}

int NewSocket() { return socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0); }

}  // namespace

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
  if (this != &other) {
    Close();
    m_fd = other.m_fd;
    other.m_fd = -1;
  }
  return *this;
}

void TcpSocket::Close() {
  if (m_fd >= 0) {
    close(m_fd);
    m_fd = -1;
  }
}

void TcpSocket::Shutdown() {
  if (m_fd >= 0) shutdown(m_fd, SHUT_RDWR);
}

TcpAddress TcpSocket::GetLocalAddress() const {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  if (m_fd < 0 || getsockname(m_fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return {};
  return FromSockaddr(sa);
}

TcpAddress TcpSocket::GetRemoteAddress() const {
  sockaddr_in sa{};
  socklen_t len = sizeof sa;
  if (m_fd < 0 || getpeername(m_fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) return {};
  return FromSockaddr(sa);
}

TcpSocket::Status TcpSocket::Connect(const TcpAddress& remote, std::chrono::milliseconds timeout,
                                     const WakeEvent& abort, TcpSocket& out, std::string* error) {
  TcpSocket sock(NewSocket());
  if (!sock.IsOpen()) return Fail(error, "socket", errno);
  const int one = 1;
  setsockopt(sock.m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  const sockaddr_in sa = ToSockaddr(remote);
  if (connect(sock.m_fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
    if (errno != EINPROGRESS) return Fail(error, "connect", errno, StatusFromConnectError(errno));
    switch (WaitFor(sock.m_fd, POLLOUT, abort, timeout)) {
      case Wait::Ready: break;
      case Wait::Aborted:
        if (error) *error = "connect aborted";
        return Status::Aborted;
      case Wait::TimedOut:
        if (error) *error = "connect to " + remote.ToString() + " timed out";
        return Status::TimedOut;
      case Wait::Failed: return Fail(error, "poll", errno);
    }
    int err = 0;
    socklen_t len = sizeof err;
    if (getsockopt(sock.m_fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return Fail(error, "getsockopt", errno);
    if (err != 0) return Fail(error, "connect", err, StatusFromConnectError(err));
  }
  out = std::move(sock);
  return Status::Ok;
}

TcpSocket::Status TcpSocket::Listen(const TcpAddress& local, bool reuseAddress, int backlog, TcpSocket& out,
                                    std::string* error) {
  TcpSocket sock(NewSocket());
  if (!sock.IsOpen()) return Fail(error, "socket", errno);
  const int reuse = reuseAddress ? 1 : 0;
  setsockopt(sock.m_fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  const sockaddr_in sa = ToSockaddr(local);
  if (bind(sock.m_fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
    return Fail(error, ("bind " + local.ToString()).c_str(), errno);
  }
  if (listen(sock.m_fd, backlog) != 0) return Fail(error, "listen", errno);
  out = std::move(sock);
  return Status::Ok;
}

TcpSocket::Status TcpSocket::Accept(const WakeEvent& abort, TcpSocket& out, std::string* error) {
  for (;;) {
    switch (WaitFor(m_fd, POLLIN, abort, std::chrono::milliseconds(-1))) {
      case Wait::Ready: break;
      case Wait::Aborted: return Status::Aborted;
      case Wait::TimedOut: continue;
      case Wait::Failed: return Fail(error, "poll", errno);
    }
    const int fd = accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
      const int one = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
      out = TcpSocket(fd);
      return Status::Ok;
    }
    // A connection that was reset before we took it is no reason to stop listening.
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR || errno == ECONNABORTED || errno == EPROTO) continue;
    return Fail(error, "accept", errno);
  }
}

TcpSocket::Status TcpSocket::Read(std::span<uint8_t> buffer, size_t& received, const WakeEvent& abort,
                                  std::string* error) {
  received = 0;
  for (;;) {
    const ssize_t n = recv(m_fd, buffer.data(), buffer.size(), 0);
    if (n > 0) {
      received = static_cast<size_t>(n);
      return Status::Ok;
    }
    if (n == 0) return Status::Closed;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return Fail(error, "recv", errno);
    switch (WaitFor(m_fd, POLLIN, abort, std::chrono::milliseconds(-1))) {
      case Wait::Ready: break;
      case Wait::Aborted: return Status::Aborted;
      case Wait::TimedOut: break;
      case Wait::Failed: return Fail(error, "poll", errno);
    }
  }
}

TcpSocket::Status TcpSocket::WriteAll(std::span<const uint8_t> bytes, std::chrono::milliseconds timeout,
                                      const WakeEvent& abort, std::string* error) {
  while (!bytes.empty()) {
    const ssize_t n = send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n > 0) {
      bytes = bytes.subspan(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return Fail(error, "send", errno);
    switch (WaitFor(m_fd, POLLOUT, abort, timeout)) {
      case Wait::Ready: break;
      case Wait::Aborted: return Status::Aborted;
      case Wait::TimedOut:
        if (error) *error = "send timed out";
        return Status::TimedOut;
      case Wait::Failed: return Fail(error, "poll", errno);
    }
  }
  return Status::Ok;
}

const char* TcpSocket::GetStatusText(Status status) {
  switch (status) {
    case Status::Ok: return "ok";
    case Status::Closed: return "closed";
    case Status::Refused: return "refused";
    case Status::Unreachable: return "unreachable";
    case Status::TimedOut: return "timed out";
    case Status::Aborted: return "aborted";
    case Status::Failed: return "failed";
  }
  return "failed";
}
