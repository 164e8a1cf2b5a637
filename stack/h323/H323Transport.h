#pragma once
// The addresses of a connection's transport: the local and remote ends of the H.245
// control channel (its own TCP connection, or the call-signalling connection when H.245
// is tunnelled).  Logical channels announce the control channel's local IP address with
// their own RTP ports.

#include <mutex>

#include "stack/ptlib/PIPSocket.h"
#include "stack/q931/TcpAddress.h"

class H323Transport {
 public:
  H323Transport() = default;
  virtual ~H323Transport() = default;
  H323Transport(const H323Transport&) = delete;
  H323Transport& operator=(const H323Transport&) = delete;

  virtual PIPSocket::Address GetLocalAddress() const;
  virtual uint16_t GetLocalPort() const;
  virtual PIPSocket::Address GetRemoteAddress() const;
  virtual uint16_t GetRemotePort() const;

  void SetAddresses(const TcpAddress& local, const TcpAddress& remote);
  TcpAddress GetLocalTransport() const;
  TcpAddress GetRemoteTransport() const;

 private:
  mutable std::mutex m_mutex;
  TcpAddress m_local;
  TcpAddress m_remote;
};
