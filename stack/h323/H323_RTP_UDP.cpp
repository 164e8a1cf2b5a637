#include "stack/h323/H323_RTP_UDP.h"

H323_RTP_UDP::H323_RTP_UDP(H323Connection& conn, unsigned sessionID)
    : connection(conn), m_rtp(std::make_unique<RTP_UDP>(sessionID)), rtp(*m_rtp) {}

H323_RTP_UDP::~H323_RTP_UDP() { rtp.Close(); }

bool H323_RTP_UDP::Open(const PIPSocket::Address& localAddress, RTP_PortRange& ports) {
  return ports.Open(rtp, localAddress);
}
