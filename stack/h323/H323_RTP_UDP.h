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
class H245_H2250LogicalChannelParameters;
class H245_H2250LogicalChannelAckParameters;
class H245_TransportAddress;
class H245_UnicastAddress_iPAddress;

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

  // The H.225.0 parameters of an OpenLogicalChannel this side sends: the session ID and
  // the local RTCP address (and, for a channel this side receives, the RTP address).
  virtual bool OnSendingPDU(const H323_RTPChannel& channel, H245_H2250LogicalChannelParameters& param) const;
  // Those of an OpenLogicalChannel from the peer: its RTCP address (and, for a channel
  // the peer receives, its RTP address).  False with an OpenLogicalChannelReject cause.
  virtual bool OnReceivedPDU(H323_RTPChannel& channel, const H245_H2250LogicalChannelParameters& param,
                             unsigned& errorCode);
  // The acknowledgement this side sends for a channel the peer opened: the local RTP and
  // RTCP addresses and the dynamic payload type.
  virtual void OnSendingAckPDU(const H323_RTPChannel& channel, H245_H2250LogicalChannelAckParameters& param) const;
  // The peer's acknowledgement of a channel this side opened: where to send RTP and
  // RTCP.  False when it is unusable (the channel is not started).
  virtual bool OnReceivedAckPDU(H323_RTPChannel& channel, const H245_H2250LogicalChannelAckParameters& param);
  // Sets the session's remote data or control address from `pdu`; false with a cause
  // (multicastChannelNotAllowed 6 for a multicast address, unspecified 0 for another
  // unicast kind than IPv4).
  bool ExtractTransport(const H245_TransportAddress& pdu, bool isDataPort, unsigned& errorCode);
  // Writes a local address and port of this session's transport.
  void SetTransport(H245_TransportAddress& pdu, bool isDataPort) const;

 protected:
  // The unicast IPv4 address of `pdu`; null with the cause ExtractTransport gives when it
  // is multicast (6) or another unicast kind (0).
  static const H245_UnicastAddress_iPAddress* UnicastIPv4(const H245_TransportAddress& pdu, unsigned& errorCode);

  H323Connection& connection;
  std::unique_ptr<RTP_UDP> m_rtp;
  RTP_UDP& rtp;
};
