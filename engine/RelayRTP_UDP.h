// The RTP session glue of the endpoint's calls: the stack's own, except that while the
// media relay is on (engine/MediaRelay.h) the logical-channel acknowledgements go through
// the relay.  The acknowledgement sent for a channel the peer opens announces the relay's
// address with its data and control ports; the one received for a channel this side opens
// has its addresses replaced by the relay's, so the media goes to the relay whatever the
// peer named.  Relay off: exactly the stack's behaviour.
#pragma once

#include "stack/h323/H323_RTP_UDP.h"

class CRelayRTP_UDP : public H323_RTP_UDP {
 public:
  // Which relay port ExtractRelayTransport uses.
  enum RelayPort : unsigned { kRelayDataPort = 1, kRelayControlPort = 2 };

  CRelayRTP_UDP(H323Connection& connection, unsigned sessionID) : H323_RTP_UDP(connection, sessionID) {}

  void OnSendingAckPDU(const H323_RTPChannel& channel, H245_H2250LogicalChannelAckParameters& param) const override;
  bool OnReceivedAckPDU(H323_RTPChannel& channel, const H245_H2250LogicalChannelAckParameters& param) override;

  // The relay twin of ExtractTransport: the same checks of the peer's address (a unicast
  // IPv4 address, else false with cause 6 for multicast or 0 for another kind), then the
  // session's remote address becomes the relay's with its data port (relayPort 1) or
  // control port (otherwise).  The peer's own address and port are not used.
  bool ExtractRelayTransport(const H245_TransportAddress& pdu, bool isDataPort, unsigned& errorCode,
                             unsigned relayPort);
};
