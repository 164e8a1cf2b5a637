#pragma once
// The messages the stack sends, built with the generated classes the way the RAS client,
// call signalling, H.245 and H.450 code build them. The conformance tests hand them to
// the independent decoders; the benchmark encodes and decodes them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "stack/asn/H225.h"
#include "stack/asn/H245.h"
#include "stack/asn/H4501.h"
#include "stack/asn/H4504.h"

namespace sample {

// 192.168.1.10 and its ports, the endpoint's address in all samples.
inline const std::string kLocalIp("\xC0\xA8\x01\x0A", 4);
inline const std::string kGuid("\x00\x11\x22\x33\x44\x55\x66\x77\x88\x99\xAA\xBB\xCC\xDD\xEE\xFF", 16);
inline constexpr const char* kAlias = "03KOVA/alice";
inline constexpr const char* kNumber = "8613800138000";
inline constexpr const char* kEndpointId = "EP0042";
inline constexpr const char* kGatekeeperId = "GK-Lumo";

H225_RasMessage GatekeeperRequest();
H225_RasMessage RegistrationRequest();
H225_RasMessage KeepAliveRegistrationRequest();
H225_RasMessage UnregistrationRequest();
H225_RasMessage AdmissionRequest();
H225_RasMessage DisengageRequest();
H225_RasMessage InfoRequestResponse();

H225_H323_UserInformation SetupUserInformation();
// A Facility carrying `apdu` as its one H.450 supplementary-service APDU.
H225_H323_UserInformation FacilityWithSupplementaryService(const std::vector<uint8_t>& apdu);

// H.450.4 holdNotific (opcode 101) invoked with an empty HoldNotificArg.
H4501_H4501SupplementaryService HoldNotificInvoke(int64_t invokeId);

// GSM 06.10 and G.723.1 receive capabilities with user input, in one simultaneous set.
H245_MultimediaSystemControlMessage TerminalCapabilitySet();
// The same with the whole range of audio and user-input capabilities an endpoint offers:
// what the benchmark encodes and decodes.
H245_MultimediaSystemControlMessage FullTerminalCapabilitySet();
H245_MultimediaSystemControlMessage OpenLogicalChannel();
H245_MultimediaSystemControlMessage OpenLogicalChannelAck();
H245_MultimediaSystemControlMessage UserInputIndicationAlphanumeric(const std::string& text);
H245_MultimediaSystemControlMessage UserInputIndicationSignal(char key, unsigned durationMs);

// TPKT + Q.931 Setup (or Facility) carrying user-user information, as on TCP port 1720.
std::vector<uint8_t> Q931Frame(uint8_t messageType, const std::vector<uint8_t>& userUser);
// TPKT around an H.245 message, as on an H.245 TCP connection.
std::vector<uint8_t> TpktFrame(const std::vector<uint8_t>& payload);

}  // namespace sample
