#include "stack/ptlib/PTCPSocket.h"

#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

bool PTCPSocket::Connect(const Address& address, uint16_t port, PTimeInterval timeout) {
  return Connect(Address(), address, port, timeout);
}

bool PTCPSocket::Connect(const Address& localAddress, const Address& address, uint16_t port,
                         PTimeInterval timeout) {
  if (!OpenSocket(SOCK_STREAM)) return false;
  if (!localAddress.IsAny() && !Bind(localAddress, 0, false)) {
    const Errors e = GetErrorCode();
    const int n = GetErrorNumber();
    Close();
    return SetError(e, n);
  }
  bool ok = false;
  {
    Use use(*this);
    if (!use) return SetError(NotOpen);
    const sockaddr_in sa = MakeSockAddr(address, port);
    if (::connect(use.fd(), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0) {
      ok = true;
    } else if (errno != EINPROGRESS) {
      SetErrnoError(errno);
    } else {
      const Wait w = WaitFor(use.fd(), POLLOUT, timeout);
      if (w == Wait::Ready) {
        int err = 0;
        socklen_t len = sizeof err;
        getsockopt(use.fd(), SOL_SOCKET, SO_ERROR, &err, &len);
        ok = err == 0 || SetErrnoError(err);
      } else {
        SetWaitError(w);
      }
    }
    if (ok) {
      const int on = 1;
      setsockopt(use.fd(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
  }
  if (!ok) {
    const Errors e = GetErrorCode();
    const int n = GetErrorNumber();
    Close();
    return SetError(e, n);
  }
  ClearError();
  return true;
}

bool PTCPSocket::Listen(const Address& address, unsigned queueSize, uint16_t port, bool reuse) {
  if (!OpenSocket(SOCK_STREAM)) return false;
  if (!Bind(address, port, reuse)) {
    const Errors e = GetErrorCode();
    const int n = GetErrorNumber();
    Close();
    return SetError(e, n);
  }
  Use use(*this);
  if (!use) return SetError(NotOpen);
  if (::listen(use.fd(), static_cast<int>(queueSize)) != 0) return SetErrnoError(errno);
  return true;
}

bool PTCPSocket::Accept(PTCPSocket& listener) {
  Use use(listener);
  if (!use) return listener.SetError(NotOpen) || SetError(NotOpen);
  while (true) {
    const int fd = ::accept4(use.fd(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
      const int on = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
      Close();
      return AdoptHandle(fd);
    }
    if (errno == EINTR || errno == ECONNABORTED) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
      listener.SetErrnoError(errno);
      return SetErrnoError(errno);
    }
    const Wait w = listener.WaitFor(use.fd(), POLLIN, listener.GetReadTimeout());
    if (w != Wait::Ready) {
      listener.SetWaitError(w);
      return SetError(listener.GetErrorCode(), listener.GetErrorNumber());
    }
  }
}

std::unique_ptr<PTCPSocket> PTCPSocket::Accept() {
  auto socket = std::make_unique<PTCPSocket>();
  if (!socket->Accept(*this)) return nullptr;
  return socket;
}

bool PTCPSocket::Read(void* buffer, PINDEX length) {
  SetLastReadCount(0);
  Use use(*this);
  if (!use) return SetError(NotOpen);
  if (buffer == nullptr || length <= 0) return SetError(BadParameter);
  while (true) {
    const ssize_t n = ::recv(use.fd(), buffer, static_cast<size_t>(length), 0);
    if (n > 0) {
      SetLastReadCount(static_cast<PINDEX>(n));
      ClearError();
      return true;
    }
    if (n == 0) return SetError(NotOpen);  // the peer closed the stream
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return SetErrnoError(errno);
    const Wait w = WaitFor(use.fd(), POLLIN, GetReadTimeout());
    if (w != Wait::Ready) return SetWaitError(w);
  }
}

bool PTCPSocket::ReadBlock(void* buffer, PINDEX length) {
  auto* p = static_cast<char*>(buffer);
  PINDEX done = 0;
  while (done < length) {
    if (!Read(p + done, length - done)) {
      SetLastReadCount(done);
      return false;
    }
    done += GetLastReadCount();
  }
  SetLastReadCount(done);
  return true;
}

bool PTCPSocket::Write(const void* buffer, PINDEX length) {
  SetLastWriteCount(0);
  Use use(*this);
  if (!use) return SetError(NotOpen);
  if ((buffer == nullptr && length > 0) || length < 0) return SetError(BadParameter);
  const auto* p = static_cast<const char*>(buffer);
  PINDEX done = 0;
  while (done < length) {
    const ssize_t n = ::send(use.fd(), p + done, static_cast<size_t>(length - done), MSG_NOSIGNAL);
    if (n >= 0) {
      done += static_cast<PINDEX>(n);
      SetLastWriteCount(done);
      continue;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return SetErrnoError(errno);
    const Wait w = WaitFor(use.fd(), POLLOUT, GetWriteTimeout());
    if (w != Wait::Ready) return SetWaitError(w);
  }
  ClearError();
  return true;
}

bool PTCPSocket::ShutdownWrite() {
  Use use(*this);
  if (!use) return SetError(NotOpen);
  return ::shutdown(use.fd(), SHUT_WR) == 0 || SetErrnoError(errno);
}
