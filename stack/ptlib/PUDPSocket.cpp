#include "stack/ptlib/PUDPSocket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cerrno>
#include <cstring>

bool PUDPSocket::Listen(const Address& address, uint16_t port, bool reuse) {
  return OpenSocket(SOCK_DGRAM) && (Bind(address, port, reuse) || (Close(), false));
}

bool PUDPSocket::ReadFrom(void* buffer, PINDEX length, Address& address, uint16_t& port) {
  int64_t arrival = 0;
  return ReadFrom(buffer, length, address, port, arrival);
}

bool PUDPSocket::ReadFrom(void* buffer, PINDEX length, Address& address, uint16_t& port, int64_t& arrivalMicros) {
  SetLastReadCount(0);
  arrivalMicros = 0;
  Use use(*this);
  if (!use) return SetError(NotOpen);
  if (buffer == nullptr || length < 0) return SetError(BadParameter);
  while (true) {
    sockaddr_in sa{};
    iovec iov{buffer, static_cast<size_t>(length)};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timeval))];
    msghdr msg{};
    msg.msg_name = &sa;
    msg.msg_namelen = sizeof sa;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    const ssize_t n = ::recvmsg(use.fd(), &msg, 0);
    if (n >= 0) {
      for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMP) {
          timeval tv{};
          std::memcpy(&tv, CMSG_DATA(c), sizeof tv);
          arrivalMicros = static_cast<int64_t>(tv.tv_sec) * 1000000 + tv.tv_usec;
        }
      }
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
    const PTimeInterval timeout = GetReadTimeout();
    if (timeout.GetMilliSeconds() == 0) return SetError(Timeout);
    const Wait w = WaitFor(use.fd(), POLLIN, timeout);
    if (w != Wait::Ready) return SetWaitError(w);
  }
}

bool PUDPSocket::SetArrivalTimes(bool on) {
  Use use(*this);
  if (!use) return SetError(NotOpen);
  const int value = on ? 1 : 0;
  if (setsockopt(use.fd(), SOL_SOCKET, SO_TIMESTAMP, &value, sizeof value) != 0) return SetErrnoError(errno);
  return true;
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
