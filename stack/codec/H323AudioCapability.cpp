#include "stack/codec/H323AudioCapability.h"

namespace {

// H.245 AudioCapability alternatives and their static RTP payload types (RFC 3551).
struct SubTypePayload {
  unsigned subType;
  unsigned payloadType;
};
constexpr SubTypePayload kPayloadTypes[] = {
    {1, 8},   // g711Alaw64k
    {3, 0},   // g711Ulaw64k
    {5, 9},   // g722-64k
    {8, 4},   // g7231
    {9, 15},  // g728
    {10, 18}, // g729
    {11, 18}, // g729AnnexA
    {17, 3},  // gsmFullRate
};
constexpr unsigned kDynamicPayloadType = 96;

}  // namespace

H323AudioCapability::H323AudioCapability(unsigned rxPacketSize, unsigned txPacketSize)
    : m_rxFramesInPacket(ClampFrames(rxPacketSize, 1)), m_txFramesInPacket(ClampFrames(txPacketSize, 1)) {}

H323AudioCapability::H323AudioCapability(const H323AudioCapability& other)
    : H323Capability(other),
      m_rxFramesInPacket(other.m_rxFramesInPacket.load()),
      m_txFramesInPacket(other.m_txFramesInPacket.load()) {}

H323AudioCapability& H323AudioCapability::operator=(const H323AudioCapability& other) {
  H323Capability::operator=(other);
  m_rxFramesInPacket = other.m_rxFramesInPacket.load();
  m_txFramesInPacket = other.m_txFramesInPacket.load();
  return *this;
}

unsigned H323AudioCapability::ClampFrames(unsigned frames, unsigned previous) {
  if (!PAssert(frames > 0, "frames per packet must be at least 1")) return previous;
  return frames > kMaxFramesInPacket ? kMaxFramesInPacket : frames;
}

unsigned H323AudioCapability::GetPayloadType() const {
  for (const auto& p : kPayloadTypes)
    if (p.subType == GetSubType()) return p.payloadType;
  return kDynamicPayloadType;
}

void H323AudioCapability::SetTxFramesInPacket(unsigned frames) {
  m_txFramesInPacket = ClampFrames(frames, m_txFramesInPacket.load());
}

void H323AudioCapability::SetRxFramesInPacket(unsigned frames) {
  m_rxFramesInPacket = ClampFrames(frames, m_rxFramesInPacket.load());
}

bool H323AudioCapability::OnSendingPDU(H245_AudioCapability&, unsigned) const { return false; }

bool H323AudioCapability::OnReceivedPDU(const H245_AudioCapability&, unsigned&) { return false; }
