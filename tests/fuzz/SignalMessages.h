// Call-signalling messages the fuzz targets start from: what a caller sends for a call
// with fast start and tunnelled H.245, each encoded as a TPKT packet.
#pragma once

#include <cstdint>
#include <vector>

#include "stack/h323/H323SignalPDU.h"
#include "stack/q931/Tpkt.h"

namespace fuzz {

inline std::vector<uint8_t> Framed(H323SignalPDU pdu) {
  std::vector<uint8_t> packet;
  if (!pdu.Encode()) return packet;
  q931::Bytes bytes;
  if (!pdu.m_q931pdu.Encode(bytes)) return packet;
  tpkt::AppendPacket(bytes, packet);
  return packet;
}

inline H323SignalPDU CallerMessage(uint8_t type, H323UserInformation::Body body, uint16_t ref) {
  H323SignalPDU pdu;
  pdu.Build(type, body, ref, false);
  pdu.m_userInfo.sourceAliases = {H323AliasAddress{H323AliasAddress::e_h323_ID, "fuzz"}};
  pdu.m_userInfo.h245Tunnelling = true;
  return pdu;
}

// A Setup (carrying `fastStart` proposals and `h245` messages when given), a Facility
// with `h245` again, and a Release Complete, as one byte stream each.
inline std::vector<std::vector<uint8_t>> CallerPackets(uint16_t ref, const std::vector<std::vector<uint8_t>>& fastStart,
                                                      const std::vector<std::vector<uint8_t>>& h245) {
  H323SignalPDU setup = CallerMessage(Q931::SetupMsg, H323UserInformation::e_setup, ref);
  setup.m_userInfo.callIdentifier = H323NewGuid();
  setup.m_userInfo.conferenceID = H323NewGuid();
  setup.m_userInfo.sourceCallSignalAddress = TcpAddress{TcpAddress::kLoopback, 1720};
  setup.m_q931pdu.SetCallingPartyNumber("1234");
  setup.m_q931pdu.SetDisplayName("Fuzz");
  if (!fastStart.empty()) {
    setup.m_userInfo.hasFastStart = true;
    setup.m_userInfo.fastStart = fastStart;
  }
  setup.m_userInfo.h245Control = h245;
  H323SignalPDU facility = CallerMessage(Q931::FacilityMsg, H323UserInformation::e_facility, ref);
  facility.m_userInfo.h245Control = h245;
  H323SignalPDU release = CallerMessage(Q931::ReleaseCompleteMsg, H323UserInformation::e_releaseComplete, ref);
  release.m_q931pdu.SetCause(Q931::NormalCallClearing);
  return {Framed(setup), Framed(facility), Framed(release)};
}

}  // namespace fuzz
