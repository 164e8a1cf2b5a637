// The endpoint's side of the relay client: the stack's fast start and RTP port range on
// the phone endpoint, and the relay substitution's state.
#pragma once

#include "engine/MediaRelay.h"
#include "engine/RelayClient.h"
#include "stack/h323/H323EndPoint.h"

class CPhoneRelayEndpoint : public RelayEndpoint {
 public:
  explicit CPhoneRelayEndpoint(H323EndPoint& endpoint) : m_endpoint(endpoint) {}

  void SetFastStart(bool enabled) override { m_endpoint.DisableFastStart(!enabled); }
  void SetRtpIpPorts(unsigned base, unsigned max) override { m_endpoint.SetRtpIpPorts(base, max); }
  void SetMediaRelay(unsigned a, unsigned b, unsigned c, unsigned d, unsigned rtpPort, unsigned rtcpPort) override {
    ::SetMediaRelay(a, b, c, d, rtpPort, rtcpPort);
  }

 private:
  H323EndPoint& m_endpoint;
};
