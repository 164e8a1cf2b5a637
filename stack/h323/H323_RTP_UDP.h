#pragma once
// The RTP-over-UDP glue of a connection's logical channels: one RTP session (a UDP port
// pair) per session ID, shared by the channels of both directions, and the places where
// the H.225.0 logical-channel parameters of H.245 are filled in and read.  A derived
// class can change what is announced and where the media is sent by overriding the
// acknowledgement hooks (the connection makes its sessions through the endpoint's
// CreateRTPSession, so a derived endpoint can substitute its own class).

#include <memory>

#include "stack/ptlib/PIPSocket.h"
#include "stack/rtp/RTP_PortRange.h"
#include "stack/rtp/RTP_UDP.h"

class H323Connection;
class H323_RTPChannel;

class H323_RTP_UDP {
 public:
  H323_RTP_UDP(H323Connection& connection, unsigned sessionID);
  virtual ~H323_RTP_UDP();
  H323_RTP_UDP(const H323_RTP_UDP&) = delete;
  H323_RTP_UDP& operator=(const H323_RTP_UDP&) = delete;

  // Binds the port pair on `localAddress` from the endpoint's range.
  bool Open(const PIPSocket::Address& localAddress, RTP_PortRange& ports);
  void Close() { rtp.Close(); }

  unsigned GetSessionID() const { return rtp.GetSessionID(); }
  RTP_UDP& GetSession() { return rtp; }
  const RTP_UDP& GetSession() const { return rtp; }
  H323Connection& GetConnection() const { return connection; }

 protected:
  H323Connection& connection;
  std::unique_ptr<RTP_UDP> m_rtp;
  RTP_UDP& rtp;
};
