// What the stack sends is checked by two decoders that share no code with it: tshark's
// dissectors, and the codec erlang's asn1 compiler builds from the same ASN.1 modules.
// And what that codec encodes (fields and alternatives this stack never sends among them)
// must decode here to the same value and re-encode to the same octets.

#include <gtest/gtest.h>

#include <fstream>
#include <ostream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ErlangOracle.h"
#include "SampleMessages.h"
#include "Tshark.h"

using testing_tools::ErlangOracle;
using testing_tools::FromHex;
using testing_tools::ToHex;
using testing_tools::Transport;

namespace {

enum class Wire { kRas, kSetup, kFacility, kH245 };

struct Sample {
  const char* name;
  const char* erlangType;
  std::function<std::unique_ptr<asn::Object>()> make;
  Wire wire;
  // tshark fields and their values; several occurrences are joined with '|'.
  std::vector<std::pair<std::string, std::string>> expect;
};

template <class T>
std::function<std::unique_ptr<asn::Object>()> Make(T (*build)()) {
  return [build] { return std::make_unique<T>(build()); };
}

const char* const kIp = "192.168.1.10";

const std::vector<Sample>& Samples() {
  static const std::vector<Sample> samples = {
      {"GatekeeperRequest", "RasMessage", Make(sample::GatekeeperRequest), Wire::kRas,
       {{"h225.RasMessage", "0"},
        {"h225.requestSeqNum", "1"},
        {"h225.protocolIdentifier", "0.0.8.2250.0.4"},
        {"h225.ipV4", kIp},
        {"h225.ipV4_port", "1719"},
        {"h225.h323_ID", sample::kAlias},
        {"h225.productId", "Varlo"},
        {"h225.AuthenticationMechanism", "2"},
        {"h225.algorithmOIDs_item", "1.2.840.113549.2.5"}}},
      {"RegistrationRequest", "RasMessage", Make(sample::RegistrationRequest), Wire::kRas,
       {{"h225.RasMessage", "3"},
        {"h225.requestSeqNum", "2"},
        {"h225.discoveryComplete", "1"},
        {"h225.ipV4_port", "1721|1719"},
        {"h225.h323_ID", std::string(sample::kAlias) + "|" + sample::kAlias},
        {"h225.dialledDigits", sample::kNumber},
        {"h225.gatekeeperIdentifier", sample::kGatekeeperId},
        {"h225.timeToLive", "300"},
        {"h225.keepAlive", "0"},
        {"h235.algorithmOID", "1.2.840.113549.2.5"},
        {"h235.hash", "0f1e2d3c4b5a69788796a5b4c3d2e1f0"}}},
      {"KeepAliveRegistrationRequest", "RasMessage", Make(sample::KeepAliveRegistrationRequest),
       Wire::kRas,
       {{"h225.RasMessage", "3"},
        {"h225.requestSeqNum", "3"},
        {"h225.keepAlive", "1"},
        {"h225.endpointIdentifier", sample::kEndpointId},
        {"h225.timeToLive", "300"},
        {"h225.h323_ID", ""}}},
      {"UnregistrationRequest", "RasMessage", Make(sample::UnregistrationRequest), Wire::kRas,
       {{"h225.RasMessage", "6"},
        {"h225.requestSeqNum", "4"},
        {"h225.ipV4_port", "1721"},
        {"h225.endpointIdentifier", sample::kEndpointId},
        {"h225.gatekeeperIdentifier", sample::kGatekeeperId},
        {"h225.reason", "3"}}},
      {"AdmissionRequest", "RasMessage", Make(sample::AdmissionRequest), Wire::kRas,
       {{"h225.RasMessage", "9"},
        {"h225.requestSeqNum", "5"},
        {"h225.callType", "0"},
        {"h225.callModel", "0"},
        {"h225.dialledDigits", sample::kNumber},
        {"h225.h323_ID", sample::kAlias},
        {"h225.bandWidth", "1280"},
        {"h225.callReferenceValue", "17"},
        {"h225.conferenceID", "00112233-4455-6677-8899-aabbccddeeff"},
        {"h225.canMapAlias", "1"},
        {"h225.canMapSrcAlias", "0"}}},
      {"DisengageRequest", "RasMessage", Make(sample::DisengageRequest), Wire::kRas,
       {{"h225.RasMessage", "15"},
        {"h225.requestSeqNum", "6"},
        {"h225.callReferenceValue", "17"},
        {"h225.disengageReason", "1"},
        {"h225.guid", "00112233-4455-6677-8899-aabbccddeeff"},
        {"h225.answeredCall", "0"}}},
      {"InfoRequestResponse", "RasMessage", Make(sample::InfoRequestResponse), Wire::kRas,
       {{"h225.RasMessage", "22"},
        {"h225.requestSeqNum", "7"},
        {"h225.callReferenceValue", "17"},
        {"h225.ipV4_port", "1719|1721|5000|5001|1721"},
        {"h225.cname", "alice-192.168.1.10"},
        {"h225.ssrc", "305419896"},
        {"h225.originator", "1"},
        {"h225.unsolicited", "0"}}},
      {"SetupUserInformation", "H323-UserInformation", Make(sample::SetupUserInformation),
       Wire::kSetup,
       {{"h225.h323_message_body", "0"},
        {"h225.protocolIdentifier", "0.0.8.2250.0.4"},
        {"h225.h323_ID", sample::kAlias},
        {"h225.dialledDigits", sample::kNumber},
        {"h225.conferenceGoal", "0"},
        {"h225.ipV4_port", "1721"},
        {"h225.h245Tunnelling", "1"}}},
      {"TerminalCapabilitySet", "MultimediaSystemControlMessage",
       Make(sample::TerminalCapabilitySet), Wire::kH245,
       {{"h245.request", "2"},
        {"h245.protocolIdentifier", "0.0.8.245.0.3"},
        {"h245.maximumAudioDelayJitter", "200"},
        {"h245.capabilityTableEntryNumber", "1|2|3"},
        {"h245.receiveAudioCapability", "17|8"},  // gsmFullRate, g7231
        {"h245.audioUnitSize", "231"},
        {"h245.maxAl_sduAudioFrames", "7"},
        {"h245.silenceSuppression", "1"},
        {"h245.receiveAndTransmitUserInputCapability", "4"},  // dtmf
        {"h245.CapabilityTableEntryNumber", "1|2|3"}}},
      {"OpenLogicalChannel", "MultimediaSystemControlMessage", Make(sample::OpenLogicalChannel),
       Wire::kH245,
       {{"h245.request", "3"},
        {"h245.forwardLogicalChannelNumber", "101"},
        {"h245.audioUnitSize", "132"},
        {"h245.sessionID", "1"},
        {"h245.ip4_network", kIp},
        {"h245.tsapIdentifier", "5001"}}},
      {"OpenLogicalChannelAck", "MultimediaSystemControlMessage",
       Make(sample::OpenLogicalChannelAck), Wire::kH245,
       {{"h245.response", "5"},
        {"h245.forwardLogicalChannelNumber", "101"},
        {"h245.sessionID", "1"},
        {"h245.ip4_network", std::string(kIp) + "|" + kIp},
        {"h245.tsapIdentifier", "5000|5001"},
        {"h245.dynamicRTPPayloadType", "96"},
        {"h245.flowControlToZero", "0"}}},
      {"UserInputIndication", "MultimediaSystemControlMessage",
       [] { return std::make_unique<H245_MultimediaSystemControlMessage>(
                sample::UserInputIndicationAlphanumeric("5")); },
       Wire::kH245, {{"h245.indication", "13"}, {"h245.userInput", "1"}, {"h245.alphanumeric", "5"}}},
      {"UserInputIndicationSignal", "MultimediaSystemControlMessage",
       [] { return std::make_unique<H245_MultimediaSystemControlMessage>(
                sample::UserInputIndicationSignal('#', 120)); },
       Wire::kH245, {{"h245.userInput", "3"}, {"h245.signalType", "#"}, {"h245.duration", "120"}}},
      {"HoldNotificInvoke", "H4501SupplementaryService",
       [] { return std::make_unique<H4501_H4501SupplementaryService>(sample::HoldNotificInvoke(7)); },
       Wire::kFacility,
       {{"h225.h323_message_body", "6"},
        {"h450.ros.invokeId", "7"},
        {"h450.ros.local", "101"},
        {"h450.operation", "101"},
        {"h450.ros.argument", "00"}}},
  };
  return samples;
}

std::vector<uint8_t> Encoded(const asn::Object& msg) {
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(msg.Encode(bytes, &error)) << error;
  return bytes;
}

// Test names and failure messages show the sample's name, not its bytes.
void PrintTo(const Sample& s, std::ostream* os) { *os << s.name; }

class SentMessage : public ::testing::TestWithParam<Sample> {};

TEST_P(SentMessage, TsharkDecodesItsFields) {
  if (!testing_tools::TsharkAvailable()) GTEST_SKIP() << "tshark/text2pcap not installed";
  const Sample& s = GetParam();
  std::vector<uint8_t> bytes = Encoded(*s.make());
  std::vector<uint8_t> frame;
  Transport transport = Transport::kTcp;
  uint16_t port = 1720;
  std::vector<std::string> decodeAs;
  switch (s.wire) {
    case Wire::kRas:
      frame = bytes;
      transport = Transport::kUdp;
      port = 1719;
      break;
    case Wire::kSetup:
      frame = sample::Q931Frame(0x05, bytes);
      break;
    case Wire::kFacility:
      frame = sample::Q931Frame(0x62, Encoded(sample::FacilityWithSupplementaryService(bytes)));
      break;
    case Wire::kH245:
      frame = sample::TpktFrame(bytes);
      port = 1800;
      decodeAs = {"-d", "tcp.port==1800,h245"};
      break;
  }
  std::vector<std::string> fields;
  for (const auto& [field, value] : s.expect) fields.push_back(field);
  auto result = testing_tools::TsharkDecode(frame, transport, 40000, port, fields, decodeAs);
  ASSERT_EQ(result.error, "");
  EXPECT_FALSE(result.malformed);
  EXPECT_TRUE(result.expert.empty()) << result.expert.front();
  for (const auto& [field, value] : s.expect) {
    std::string joined;
    for (const auto& v : result.All(field)) joined += (joined.empty() ? "" : "|") + v;
    EXPECT_EQ(joined, value) << field;
  }
}

std::unique_ptr<asn::Object> MakeValue(const std::string& erlangType);

TEST_P(SentMessage, ErlangDecodesTheSameValueAndItsOctetsComeBackUnchanged) {
  std::string why;
  if (!ErlangOracle::Available(&why)) GTEST_SKIP() << why;
  const Sample& s = GetParam();
  auto msg = s.make();
  std::vector<uint8_t> bytes = Encoded(*msg);
  auto decoded = ErlangOracle::Decode(s.erlangType, bytes);
  ASSERT_TRUE(decoded.ok) << decoded.text;
  EXPECT_EQ(decoded.text, msg->ToJson());
  auto encoded = ErlangOracle::Run({std::string("encode ") + s.erlangType + " " + msg->ToJson()});
  ASSERT_TRUE(encoded[0].ok) << encoded[0].text;
  // Erlang writes every extension bitmap at full length, this side only up to the last
  // addition present: what erlang wrote decodes to the same value and is written back as
  // it came, and ours is never the longer one.
  auto back = MakeValue(s.erlangType);
  ASSERT_NE(back, nullptr);
  std::string error;
  ASSERT_TRUE(back->Decode(FromHex(encoded[0].text), &error)) << error;
  EXPECT_EQ(back->ToJson(), msg->ToJson());
  EXPECT_EQ(ToHex(Encoded(*back)), encoded[0].text);
  EXPECT_LE(bytes.size(), encoded[0].text.size() / 2);
}

INSTANTIATE_TEST_SUITE_P(Stack, SentMessage, ::testing::ValuesIn(Samples()),
                         [](const auto& info) { return std::string(info.param.name); });

// A value of the type `erlangType`, decoded by the generated classes.
std::unique_ptr<asn::Object> MakeValue(const std::string& erlangType) {
  if (erlangType == "RasMessage") return std::make_unique<H225_RasMessage>();
  if (erlangType == "H323-UserInformation") return std::make_unique<H225_H323_UserInformation>();
  if (erlangType == "MultimediaSystemControlMessage") {
    return std::make_unique<H245_MultimediaSystemControlMessage>();
  }
  if (erlangType == "H4501SupplementaryService") {
    return std::make_unique<H4501_H4501SupplementaryService>();
  }
  if (erlangType == "HoldNotificArg") return std::make_unique<H4504_HoldNotificArg>();
  return nullptr;
}

struct Vector {
  int line;
  std::string type;
  std::string json;
};

std::vector<Vector> ReadVectors() {
  std::ifstream in(VARLO_ASN_ERLANG_VECTORS);
  std::vector<Vector> out;
  std::string text;
  int line = 0;
  while (std::getline(in, text)) {
    ++line;
    if (text.empty() || text[0] == '#') continue;
    size_t space = text.find(' ');
    out.push_back({line, text.substr(0, space), text.substr(space + 1)});
  }
  return out;
}

TEST(ErlangEncodedMessages, DecodeToTheSameValueAndReencodeToTheSameOctets) {
  std::string why;
  if (!ErlangOracle::Available(&why)) GTEST_SKIP() << why;
  std::vector<Vector> vectors = ReadVectors();
  ASSERT_GE(vectors.size(), 10u);
  std::vector<std::string> encodes;
  for (const auto& v : vectors) encodes.push_back("encode " + v.type + " " + v.json);
  auto encoded = ErlangOracle::Run(encodes);
  std::vector<std::string> decodes;
  for (size_t i = 0; i < vectors.size(); ++i) {
    decodes.push_back("decode " + vectors[i].type + " " + (encoded[i].ok ? encoded[i].text : "00"));
  }
  auto decoded = ErlangOracle::Run(decodes);
  for (size_t i = 0; i < vectors.size(); ++i) {
    SCOPED_TRACE("erlang_vectors.txt line " + std::to_string(vectors[i].line));
    ASSERT_TRUE(encoded[i].ok) << encoded[i].text;
    ASSERT_TRUE(decoded[i].ok) << decoded[i].text;
    auto ours = MakeValue(vectors[i].type);
    ASSERT_NE(ours, nullptr) << vectors[i].type;
    std::string error;
    ASSERT_TRUE(ours->Decode(FromHex(encoded[i].text), &error)) << error;
    EXPECT_EQ(ours->ToJson(), decoded[i].text);
    EXPECT_EQ(ToHex(Encoded(*ours)), encoded[i].text);
  }
}

// An extension addition is written as an open type in place, its length put in front
// afterwards: one octet below 128, two octets up to 16K, fragments beyond. An addition of
// each size (a token with that much data) decodes in erlang to the same value, and what
// erlang writes back decodes in ours to it.
TEST(LargeAdditions, TakeEachLengthFormAndDecodeInErlang) {
  std::string why;
  if (!ErlangOracle::Available(&why)) GTEST_SKIP() << why;
  const size_t dataSizes[] = {20, 300, 16500};
  std::vector<std::unique_ptr<H225_RasMessage>> messages;
  std::vector<std::string> decodes;
  for (size_t size : dataSizes) {
    auto msg = std::make_unique<H225_RasMessage>(sample::RegistrationRequest());
    auto& rrq = msg->registrationRequest();
    rrq.IncludeOptionalField(H225_RegistrationRequest::e_tokens);
    auto& token = rrq.m_tokens.Append();
    ASSERT_TRUE(token.m_tokenOID.SetValue("0.0.8.235.0.2.5"));
    token.IncludeOptionalField(H235_ClearToken::e_nonStandard);
    ASSERT_TRUE(token.m_nonStandard.m_nonStandardIdentifier.SetValue("1.2.3.4"));
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 7);
    token.m_nonStandard.m_data.SetValue(data);
    decodes.push_back("decode RasMessage " + ToHex(Encoded(*msg)));
    messages.push_back(std::move(msg));
  }
  auto decoded = ErlangOracle::Run(decodes);
  std::vector<std::string> encodes;
  for (size_t i = 0; i < messages.size(); ++i) {
    SCOPED_TRACE("data of " + std::to_string(dataSizes[i]) + " octets");
    ASSERT_TRUE(decoded[i].ok) << decoded[i].text;
    EXPECT_EQ(decoded[i].text, messages[i]->ToJson());
    encodes.push_back("encode RasMessage " + messages[i]->ToJson());
  }
  auto encoded = ErlangOracle::Run(encodes);
  for (size_t i = 0; i < messages.size(); ++i) {
    SCOPED_TRACE("data of " + std::to_string(dataSizes[i]) + " octets");
    ASSERT_TRUE(encoded[i].ok) << encoded[i].text;
    H225_RasMessage back;
    std::string error;
    ASSERT_TRUE(back.Decode(FromHex(encoded[i].text), &error)) << error;
    EXPECT_EQ(back.ToJson(), messages[i]->ToJson());
  }
}

}  // namespace
