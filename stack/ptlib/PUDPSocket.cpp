#include "stack/ptlib/PUDPSocket.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

bool PUDPSocket::Listen(const Address& address, uint16_t port, bool reuse) {
  return OpenSocket(SOCK_DGRAM) && (Bind(address, port, reuse) || (Close(), false));
}

bool PUDPSocket::ReadFrom(void* buffer, PINDEX length, Address& address, uint16_t& port) {
  SetLastReadCount(0);
  Use use(*this);
  if (!use) return SetError(NotOpen);
  if (buffer == nullptr || length < 0) return SetError(BadParameter);
  while (true) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    const ssize_t n = ::recvfrom(use.fd(), buffer, static_cast<size_t>(length), 0,
                                 reinterpret_cast<sockaddr*>(&sa), &len);
    if (n >= 0) {
      address = Address(sa.sin_addr);
      port = ntohs(sa.sin_port);
      {
        std::lock_guard lock(m_addressMutex);
        m_lastReceiveAddress = address;
        m_lastReceivePort = port;
      }
      SetLastReadCount(static_cast<PINDEX>(n));
      ClearError();
      return true;
    }
    // An ICMP error from an earlier send shows up here; it is not this read's failure.
    if (errno == ECONNREFUSED || errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return SetErrnoError(errno);
    const Wait w = WaitFor(use.fd(), POLLIN, GetReadTimeout());
    if (w != Wait::Ready) return SetWaitError(w);
  }
}

bool PUDPSocket::WriteTo(const void* buffer, PINDEX length, const Address& address, uint16_t port) {
  SetLastWriteCount(0);
  Use use(*this);
  if (!use) return SetError(NotOpen);
  if ((buffer == nullptr && length > 0) || length < 0) return SetError(BadParameter);
  const sockaddr_in sa = MakeSockAddr(address, port);
  while (true) {
    const ssize_t n = ::sendto(use.fd(), buffer, static_cast<size_t>(length), MSG_NOSIGNAL,
                               reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
    if (n >= 0) {
      SetLastWriteCount(static_cast<PINDEX>(n));
      ClearError();
      return true;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return SetErrnoError(errno);
    const Wait w = WaitFor(use.fd(), POLLOUT, GetWriteTimeout());
    if (w != Wait::Ready) return SetWaitError(w);
  }
}

void PUDPSocket::SetSendAddress(const Address& address, uint16_t port) {
  std::lock_guard lock(m_addressMutex);
  m_sendAddress = address;
  m_sendPort = port;
}

void PUDPSocket::GetSendAddress(Address& address, uint16_t& port) const {
  std::lock_guard lock(m_addressMutex);
  address = m_sendAddress;
  port = m_sendPort;
}

void PUDPSocket::GetLastReceiveAddress(Address& address, uint16_t& port) const {
  std::lock_guard lock(m_addressMutex);
  address = m_lastReceiveAddress;
  port = m_lastReceivePort;
}

bool PUDPSocket::Read(void* buffer, PINDEX length) {
  Address a;
  uint16_t p = 0;
  return ReadFrom(buffer, length, a, p);
}

bool PUDPSocket::Write(const void* buffer, PINDEX length) {
  Address a;
  uint16_t p = 0;
  GetSendAddress(a, p);
  if (p == 0) {
    SetLastWriteCount(0);
    return SetError(BadParameter);
  }
  return WriteTo(buffer, length, a, p);
}
