#include "stack/h323/H323Transport.h"

PIPSocket::Address H323Transport::GetLocalAddress() const { return ToPIPSocketAddress(GetLocalTransport()); }
uint16_t H323Transport::GetLocalPort() const { return GetLocalTransport().port; }
PIPSocket::Address H323Transport::GetRemoteAddress() const { return ToPIPSocketAddress(GetRemoteTransport()); }
uint16_t H323Transport::GetRemotePort() const { return GetRemoteTransport().port; }

void H323Transport::SetAddresses(const TcpAddress& local, const TcpAddress& remote) {
  std::lock_guard lock(m_mutex);
  m_local = local;
  m_remote = remote;
}

TcpAddress H323Transport::GetLocalTransport() const {
  std::lock_guard lock(m_mutex);
  return m_local;
}

TcpAddress H323Transport::GetRemoteTransport() const {
  std::lock_guard lock(m_mutex);
  return m_remote;
}
