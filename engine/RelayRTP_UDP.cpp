#include "engine/RelayRTP_UDP.h"

#include <cstdint>

#include "engine/MediaRelay.h"
#include "stack/asn/H245.h"
#include "stack/h323/H323_RTPChannel.h"

namespace {

PIPSocket::Address RelayAddress() {
  return PIPSocket::Address(static_cast<uint8_t>(g_relayOctetA), static_cast<uint8_t>(g_relayOctetB),
                            static_cast<uint8_t>(g_relayOctetC), static_cast<uint8_t>(g_relayOctetD));
}

// Rewrites an announced unicast IPv4 address to the relay's address and `port`.
void AnnounceRelay(H245_TransportAddress& pdu, DWORD port) {
  auto& ip = pdu.unicastAddress().iPAddress();
  const uint8_t octets[4] = {static_cast<uint8_t>(g_relayOctetA), static_cast<uint8_t>(g_relayOctetB),
                             static_cast<uint8_t>(g_relayOctetC), static_cast<uint8_t>(g_relayOctetD)};
  ip.m_network.SetValue(octets, sizeof octets);
  ip.m_tsapIdentifier = static_cast<uint16_t>(port);
}

}  // namespace

void CRelayRTP_UDP::OnSendingAckPDU(const H323_RTPChannel& channel,
                                    H245_H2250LogicalChannelAckParameters& param) const {
  // The stack fills the local RTCP and RTP addresses and the payload type; with the relay
  // on the peer is told to send to the relay instead.
  H323_RTP_UDP::OnSendingAckPDU(channel, param);
  if (!IsMediaRelayOn()) return;
  AnnounceRelay(param.m_mediaControlChannel, g_relayControlPort);
  AnnounceRelay(param.m_mediaChannel, g_relayDataPort);
}

bool CRelayRTP_UDP::OnReceivedAckPDU(H323_RTPChannel& channel, const H245_H2250LogicalChannelAckParameters& param) {
  if (!IsMediaRelayOn()) return H323_RTP_UDP::OnReceivedAckPDU(channel, param);
  unsigned errorCode = 0;
  if (!param.HasOptionalField(H245_H2250LogicalChannelAckParameters::e_mediaControlChannel)) return false;
  if (!ExtractRelayTransport(param.m_mediaControlChannel, false, errorCode, kRelayControlPort)) return false;
  if (!param.HasOptionalField(H245_H2250LogicalChannelAckParameters::e_mediaChannel)) return false;
  if (!ExtractRelayTransport(param.m_mediaChannel, true, errorCode, kRelayDataPort)) return false;
  if (param.HasOptionalField(H245_H2250LogicalChannelAckParameters::e_dynamicRTPPayloadType))
    channel.SetDynamicRTPPayloadType(static_cast<int>(param.m_dynamicRTPPayloadType.GetValue()));
  return true;
}

bool CRelayRTP_UDP::ExtractRelayTransport(const H245_TransportAddress& pdu, bool isDataPort, unsigned& errorCode,
                                          unsigned relayPort) {
  // The peer's own address and port are checked as the stack does, then not used.
  if (UnicastIPv4(pdu, errorCode) == nullptr) return false;
  const DWORD port = relayPort == kRelayDataPort ? g_relayDataPort : g_relayControlPort;
  return rtp.SetRemoteSocketInfo(RelayAddress(), static_cast<uint16_t>(port), isDataPort);
}
