// The H.245 parts of the RTP session glue (built with the generated message classes).
#include "stack/asn/H245.h"
#include "stack/h323/H323Connection.h"
#include "stack/h323/H323_RTPChannel.h"
#include "stack/h323/H323_RTP_UDP.h"

namespace {

constexpr unsigned kCauseUnspecified = 0;
constexpr unsigned kCauseMulticastChannelNotAllowed = 6;
constexpr unsigned kCauseInvalidSessionID = 9;

}  // namespace

void H323_RTP_UDP::SetTransport(H245_TransportAddress& pdu, bool isDataPort) const {
  auto& ip = pdu.unicastAddress().iPAddress();
  const PIPSocket::Address address = connection.GetControlChannel().GetLocalAddress();
  const auto& octets = address.GetOctets();
  ip.m_network.SetValue(octets.data(), octets.size());
  ip.m_tsapIdentifier = isDataPort ? rtp.GetLocalDataPort() : rtp.GetLocalControlPort();
}

const H245_UnicastAddress_iPAddress* H323_RTP_UDP::UnicastIPv4(const H245_TransportAddress& pdu, unsigned& errorCode) {
  if (pdu.GetTag() != H245_TransportAddress::e_unicastAddress) {
    errorCode = kCauseMulticastChannelNotAllowed;
    return nullptr;
  }
  const auto& unicast = pdu.unicastAddress();
  if (unicast.GetTag() != H245_UnicastAddress::e_iPAddress || unicast.iPAddress().m_network.GetSize() != 4) {
    errorCode = kCauseUnspecified;
    return nullptr;
  }
  return &unicast.iPAddress();
}

bool H323_RTP_UDP::ExtractTransport(const H245_TransportAddress& pdu, bool isDataPort, unsigned& errorCode) {
  const H245_UnicastAddress_iPAddress* ip = UnicastIPv4(pdu, errorCode);
  if (ip == nullptr) return false;
  const auto& n = ip->m_network.GetValue();
  return rtp.SetRemoteSocketInfo(PIPSocket::Address(n[0], n[1], n[2], n[3]),
                                 static_cast<uint16_t>(ip->m_tsapIdentifier.GetValue()), isDataPort);
}

bool H323_RTP_UDP::OnSendingPDU(const H323_RTPChannel& channel, H245_H2250LogicalChannelParameters& param) const {
  param.m_sessionID = GetSessionID();
  param.IncludeOptionalField(H245_H2250LogicalChannelParameters::e_mediaControlChannel);
  SetTransport(param.m_mediaControlChannel, false);
  if (channel.GetDirection() == H323_RTPChannel::IsReceiver) {
    param.IncludeOptionalField(H245_H2250LogicalChannelParameters::e_mediaChannel);
    SetTransport(param.m_mediaChannel, true);
  }
  if (channel.GetRTPPayloadType() >= 96) {
    param.IncludeOptionalField(H245_H2250LogicalChannelParameters::e_dynamicRTPPayloadType);
    param.m_dynamicRTPPayloadType = channel.GetRTPPayloadType();
  }
  return true;
}

bool H323_RTP_UDP::OnReceivedPDU(H323_RTPChannel& channel, const H245_H2250LogicalChannelParameters& param,
                                 unsigned& errorCode) {
  // 0: a slave leaves the session to the master, which names it in its answer.
  const int64_t session = param.m_sessionID.GetValue();
  if (session != 0 && session != static_cast<int64_t>(GetSessionID())) {
    errorCode = kCauseInvalidSessionID;
    return false;
  }
  if (param.HasOptionalField(H245_H2250LogicalChannelParameters::e_mediaControlChannel) &&
      !ExtractTransport(param.m_mediaControlChannel, false, errorCode))
    return false;
  if (param.HasOptionalField(H245_H2250LogicalChannelParameters::e_mediaChannel) &&
      !ExtractTransport(param.m_mediaChannel, true, errorCode))
    return false;
  if (param.HasOptionalField(H245_H2250LogicalChannelParameters::e_dynamicRTPPayloadType))
    channel.SetDynamicRTPPayloadType(static_cast<int>(param.m_dynamicRTPPayloadType.GetValue()));
  return true;
}

void H323_RTP_UDP::OnSendingAckPDU(const H323_RTPChannel& channel, H245_H2250LogicalChannelAckParameters& param) const {
  param.IncludeOptionalField(H245_H2250LogicalChannelAckParameters::e_sessionID);
  param.m_sessionID = GetSessionID();
  param.IncludeOptionalField(H245_H2250LogicalChannelAckParameters::e_mediaControlChannel);
  SetTransport(param.m_mediaControlChannel, false);
  param.IncludeOptionalField(H245_H2250LogicalChannelAckParameters::e_mediaChannel);
  SetTransport(param.m_mediaChannel, true);
  if (channel.GetRTPPayloadType() >= 96) {
    param.IncludeOptionalField(H245_H2250LogicalChannelAckParameters::e_dynamicRTPPayloadType);
    param.m_dynamicRTPPayloadType = channel.GetRTPPayloadType();
  }
}

bool H323_RTP_UDP::OnReceivedAckPDU(H323_RTPChannel& channel, const H245_H2250LogicalChannelAckParameters& param) {
  unsigned errorCode = 0;
  if (!param.HasOptionalField(H245_H2250LogicalChannelAckParameters::e_mediaControlChannel)) return false;
  if (!ExtractTransport(param.m_mediaControlChannel, false, errorCode)) return false;
  if (!param.HasOptionalField(H245_H2250LogicalChannelAckParameters::e_mediaChannel)) return false;
  if (!ExtractTransport(param.m_mediaChannel, true, errorCode)) return false;
  if (param.HasOptionalField(H245_H2250LogicalChannelAckParameters::e_dynamicRTPPayloadType))
    channel.SetDynamicRTPPayloadType(static_cast<int>(param.m_dynamicRTPPayloadType.GetValue()));
  return true;
}
