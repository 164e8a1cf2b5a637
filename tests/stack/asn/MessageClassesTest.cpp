// The generated message classes: choices, optional fields, constraints that stay with the
// field, extensions from newer peers, and hostile input.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ErlangOracle.h"
#include "SampleMessages.h"

using testing_tools::FromHex;
using testing_tools::ToHex;

namespace {

std::vector<uint8_t> Encoded(const asn::Object& v) {
  std::vector<uint8_t> out;
  std::string error;
  EXPECT_TRUE(v.Encode(out, &error)) << error;
  return out;
}

TEST(GeneratedChoice, SelectsReadsAndRefusesAlternatives) {
  H225_TransportAddress addr;
  EXPECT_EQ(addr.GetTag(), asn::Choice::kNoTag);
  std::vector<uint8_t> out;
  std::string error;
  EXPECT_FALSE(addr.Encode(out, &error));
  EXPECT_EQ(error, "TransportAddress: no alternative chosen");

  addr.ipAddress().m_port = 1719;  // the non-const accessor selects
  EXPECT_EQ(addr.GetTag(), H225_TransportAddress::e_ipAddress);
  EXPECT_STREQ(addr.GetTagName(), "ipAddress");

  const H225_TransportAddress& view = addr;
  EXPECT_EQ(view.ip6Address().m_port.GetValue(), 0);  // another one: a default, no switch
  EXPECT_EQ(addr.GetTag(), H225_TransportAddress::e_ipAddress);
  EXPECT_EQ(view.ipAddress().m_port.GetValue(), 1719);

  EXPECT_FALSE(addr.SetTag(99));
  EXPECT_EQ(addr.GetTag(), H225_TransportAddress::e_ipAddress);
  EXPECT_TRUE(addr.SetTag(H225_TransportAddress::e_nsap));  // a fresh alternative
  EXPECT_EQ(addr.nsap().GetSize(), 0u);
}

TEST(GeneratedSequence, OptionalFieldsAreSentOnlyWhenIncluded) {
  H225_RasMessage msg = sample::UnregistrationRequest();
  auto& urq = msg.unregistrationRequest();
  std::vector<uint8_t> with = Encoded(msg);
  urq.RemoveOptionalField(H225_UnregistrationRequest::e_endpointAlias);
  urq.m_endpointAlias.Append().h323_ID() = "not sent";
  std::vector<uint8_t> without = Encoded(msg);
  EXPECT_LT(without.size(), with.size());

  H225_RasMessage back;
  ASSERT_TRUE(back.Decode(without));
  const auto& got = back.unregistrationRequest();
  EXPECT_FALSE(got.HasOptionalField(H225_UnregistrationRequest::e_endpointAlias));
  EXPECT_TRUE(got.HasOptionalField(H225_UnregistrationRequest::e_endpointIdentifier));
  EXPECT_TRUE(got.HasOptionalField(H225_UnregistrationRequest::e_reason));  // an extension
  EXPECT_EQ(got.m_endpointIdentifier.GetValue(), sample::kEndpointId);
  EXPECT_EQ(got.m_endpointAlias.GetSize(), 0u);
  EXPECT_EQ(got.m_reason.GetTag(), H225_UnregRequestReason::e_undefinedReason);
}

TEST(GeneratedSequence, ConstraintsStayWithTheFieldWhenValuesAreAssigned) {
  H225_AliasAddress alias;
  asn::IA5String unconstrained;
  unconstrained = "12a";
  alias.dialedDigits() = unconstrained;  // takes the value, keeps the digits' alphabet
  std::vector<uint8_t> out;
  std::string error;
  EXPECT_FALSE(alias.Encode(out, &error));
  EXPECT_NE(error.find("not in the permitted alphabet"), std::string::npos) << error;

  H225_RasMessage rrq = sample::RegistrationRequest();
  H225_RasMessage copy = rrq;  // a copy keeps every constraint of the original
  EXPECT_EQ(Encoded(copy), Encoded(rrq));
  copy.registrationRequest().m_requestSeqNum = 0;  // RequestSeqNum is 1..65535
  EXPECT_FALSE(copy.Encode(out, &error));
  EXPECT_NE(error.find("RegistrationRequest.requestSeqNum"), std::string::npos) << error;
}

TEST(GeneratedSequence, KeepsExtensionAdditionsOfANewerVersion) {
  // CallIdentifier ::= SEQUENCE { guid, ... } sent by a peer that knows two additions:
  // extension bit, the 16-octet guid, a bitmap of length 2 ("11"), two open types.
  std::vector<uint8_t> bytes = FromHex("80" "00112233445566778899AABBCCDDEEFF" "0380" "02AABB" "01CC");
  H225_CallIdentifier id;
  std::string error;
  ASSERT_TRUE(id.Decode(bytes, &error)) << error;
  EXPECT_EQ(ToHex(id.m_guid.GetValue()), "00112233445566778899AABBCCDDEEFF");
  // Written back as it came, unknown additions and all.
  EXPECT_EQ(ToHex(Encoded(id)), ToHex(bytes));

  // The same inside a message: the fields after the skipped additions still decode.
  H225_DisengageReason reason;
  ASSERT_TRUE(reason.Decode(FromHex("40")));  // undefinedReason
  EXPECT_EQ(reason.GetTag(), H225_DisengageReason::e_undefinedReason);
}

TEST(GeneratedChoice, KeepsAnUnknownExtensionAlternativeAsItCame) {
  // CallType with the extension bit set and extension index 5: unknown here.
  std::vector<uint8_t> bytes = FromHex("85" "0142");
  H225_CallType type;
  std::string error;
  ASSERT_TRUE(type.Decode(bytes, &error)) << error;
  EXPECT_EQ(type.GetTag(), 4u + 5u);
  EXPECT_FALSE(type.IsValid());
  EXPECT_EQ(ToHex(Encoded(type)), "850142");
}

TEST(GeneratedChoice, DecodesARootAlternativeThatThisSideNeverSends) {
  // A TerminalCapabilitySet whose first entry is a video capability (no length prefix:
  // only a decoder that knows the type can step over it) followed by the GSM one.
  H245_MultimediaSystemControlMessage msg = sample::TerminalCapabilitySet();
  auto& table = msg.request().terminalCapabilitySet().m_capabilityTable;
  auto& h261 = table[0].m_capability.receiveVideoCapability().h261VideoCapability();
  h261.IncludeOptionalField(H245_H261VideoCapability::e_qcifMPI);
  h261.m_qcifMPI = 1;
  h261.m_maxBitRate = 3840;
  H245_MultimediaSystemControlMessage back;
  ASSERT_TRUE(back.Decode(Encoded(msg)));
  const auto& got = back.request().terminalCapabilitySet().m_capabilityTable;
  ASSERT_EQ(got.GetSize(), 3u);
  EXPECT_EQ(got[0].m_capability.receiveVideoCapability().h261VideoCapability().m_maxBitRate.GetValue(),
            3840);
  EXPECT_EQ(got[1].m_capability.receiveAudioCapability().g7231().m_maxAl_sduAudioFrames.GetValue(), 7);
}

TEST(GeneratedArray, ElementsSurviveGrowingCopyingMovingAndRemoval) {
  // A decoded list of one element keeps it in place; appending, copying, moving and
  // removing must keep every element whatever room the list had.
  H225_RasMessage msg;
  ASSERT_TRUE(msg.Decode(Encoded(sample::RegistrationRequest())));
  auto& aliases = msg.registrationRequest().m_terminalAlias;
  auto& calls = msg.registrationRequest().m_callSignalAddress;
  ASSERT_EQ(calls.GetSize(), 1u);
  for (int i = 0; i < 6; ++i) calls.Append().ipAddress().m_port = 2000 + i;
  H225_ArrayOf_TransportAddress copy = calls;
  H225_ArrayOf_TransportAddress moved = std::move(copy);
  moved.RemoveAt(0);
  moved.SetSize(2);
  ASSERT_EQ(moved.GetSize(), 2u);
  EXPECT_EQ(moved[0].ipAddress().m_port.GetValue(), 2000);
  EXPECT_EQ(moved[1].ipAddress().m_port.GetValue(), 2001);
  calls = moved;
  calls.RemoveAt(1);
  H225_ArrayOf_TransportAddress single = std::move(calls);
  ASSERT_EQ(single.GetSize(), 1u);
  EXPECT_EQ(single[0].ipAddress().m_port.GetValue(), 2000);
  aliases.RemoveAll();
  aliases.Append().dialedDigits() = "1234";
  H225_RasMessage back;
  ASSERT_TRUE(back.Decode(Encoded(msg)));
  ASSERT_EQ(back.registrationRequest().m_terminalAlias.GetSize(), 1u);
  EXPECT_EQ(back.registrationRequest().m_terminalAlias[0].dialedDigits().GetValue(), "1234");
  EXPECT_EQ(back.registrationRequest().m_callSignalAddress.GetSize(), 0u);
}

TEST(GeneratedTypes, TextFieldsReadBackAsTheSystemUsesThem) {
  H225_RasMessage msg;
  auto& rcf = msg.registrationConfirm();
  rcf.IncludeOptionalField(H225_RegistrationConfirm::e_nonStandardData);
  rcf.m_nonStandardData.m_data.SetValue("12.50");
  rcf.m_nonStandardData.m_nonStandardIdentifier.h221NonStandard().m_t35CountryCode = 38;
  rcf.m_protocolIdentifier.SetValue("0.0.8.2250.0.4");
  rcf.m_endpointIdentifier = "\xE6\x9D\x8E" "42";  // UTF-8 text in a BMPString
  rcf.IncludeOptionalField(H225_RegistrationConfirm::e_alternateGatekeeper);
  auto& gk = rcf.m_alternateGatekeeper.Append();
  gk.m_rasAddress.ipAddress().m_ip.SetValue(std::string("\x0A\x00\x00\x02", 4));
  gk.m_rasAddress.ipAddress().m_port = 1719;
  rcf.IncludeOptionalField(H225_RegistrationConfirm::e_willRespondToIRR);
  rcf.IncludeOptionalField(H225_RegistrationConfirm::e_maintainConnection);

  H225_RasMessage back;
  ASSERT_TRUE(back.Decode(Encoded(msg)));
  const auto& got = back.registrationConfirm();
  EXPECT_EQ(got.m_nonStandardData.m_data.AsString(), "12.50");
  EXPECT_EQ(got.m_endpointIdentifier.GetValue(), "\xE6\x9D\x8E" "42");
  EXPECT_EQ(got.m_endpointIdentifier.GetUcs2().size(), 3u);
  ASSERT_TRUE(got.HasOptionalField(H225_RegistrationConfirm::e_alternateGatekeeper));
  ASSERT_EQ(got.m_alternateGatekeeper.GetSize(), 1u);
  EXPECT_EQ(got.m_alternateGatekeeper[0].m_rasAddress.GetTag(), H225_TransportAddress::e_ipAddress);
  EXPECT_EQ(got.m_alternateGatekeeper[0].m_rasAddress.ipAddress().m_ip.AsString(),
            std::string("\x0A\x00\x00\x02", 4));
  EXPECT_THROW(got.m_alternateGatekeeper[1], std::out_of_range);
}

TEST(GeneratedTypes, RosArgumentsConvertBetweenOctetsAndTypedValues) {
  H4501_H4501SupplementaryService apdu = sample::HoldNotificInvoke(3);
  H4501_H4501SupplementaryService back;
  ASSERT_TRUE(back.Decode(Encoded(apdu)));
  const auto& invoke = back.m_serviceApdu.rosApdus()[0].invoke();
  EXPECT_EQ(invoke.m_invokeId.GetValue(), 3);
  EXPECT_EQ(invoke.m_opcode.local().GetValue(), H4504_CallHoldOperation::e_holdNotific);
  H4504_HoldNotificArg arg;
  std::string error;
  EXPECT_TRUE(invoke.m_argument.DecodeAs(arg, &error)) << error;
  EXPECT_FALSE(arg.HasOptionalField(H4504_HoldNotificArg::e_extensionArg));
  H4504_RemoteHoldRes wrong;
  asn::OpenType garbage;
  garbage.SetValue({0xFF});
  EXPECT_FALSE(garbage.DecodeAs(wrong));  // an extension bit and nothing behind it
}

// Every sample message, as the decoder meets it cut short or with bits flipped: a clean
// failure or some value, never a crash or a read past the end (ASan and UBSan check).
TEST(GeneratedDecoder, SurvivesTruncatedAndCorruptedMessages) {
  struct Input {
    const char* name;
    std::function<std::unique_ptr<asn::Object>()> fresh;
    std::vector<uint8_t> bytes;
  };
  auto ras = [] { return std::make_unique<H225_RasMessage>(); };
  auto h245 = [] { return std::make_unique<H245_MultimediaSystemControlMessage>(); };
  std::vector<Input> inputs = {
      {"RRQ", ras, Encoded(sample::RegistrationRequest())},
      {"ARQ", ras, Encoded(sample::AdmissionRequest())},
      {"IRR", ras, Encoded(sample::InfoRequestResponse())},
      {"Setup", [] { return std::make_unique<H225_H323_UserInformation>(); },
       Encoded(sample::SetupUserInformation())},
      {"TCS", h245, Encoded(sample::FullTerminalCapabilitySet())},
      {"OLC", h245, Encoded(sample::OpenLogicalChannel())},
      {"H.450", [] { return std::make_unique<H4501_H4501SupplementaryService>(); },
       Encoded(sample::HoldNotificInvoke(1))},
  };
  std::mt19937 random(1234);
  for (const auto& in : inputs) {
    SCOPED_TRACE(in.name);
    for (size_t n = 0; n < in.bytes.size(); ++n) {
      std::string error;
      auto v = in.fresh();
      EXPECT_FALSE(v->Decode(in.bytes.data(), n, &error)) << "prefix of " << n << " octets";
      EXPECT_FALSE(error.empty());
    }
    for (int round = 0; round < 300; ++round) {
      std::vector<uint8_t> bad = in.bytes;
      for (int flips = 0; flips < 3; ++flips) {
        bad[random() % bad.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
      }
      auto v = in.fresh();
      std::string error;
      if (v->Decode(bad, &error)) {
        std::vector<uint8_t> again;
        (void)v->Encode(again);  // a value that decoded can be looked at and sent on
        (void)v->ToJson();
      }
    }
  }
}

TEST(GeneratedDecoder, BoundsNestingDepth) {
  // GenericData nests through Content.nested; each level is five constructed values.
  auto nest = [](int levels) {
    H225_GenericData top;
    H225_GenericData* cur = &top;
    for (int i = 0; i < levels; ++i) {
      cur->m_id.standard() = i;
      cur->IncludeOptionalField(H225_GenericData::e_parameters);
      auto& p = cur->m_parameters.Append();
      p.m_id.standard() = i;
      p.IncludeOptionalField(H225_EnumeratedParameter::e_content);
      cur = &p.m_content.nested().Append();
    }
    cur->m_id.standard() = 0;
    return top;
  };
  H225_GenericData shallow = nest(10), deep = nest(40);
  H225_GenericData back;
  std::string error;
  EXPECT_TRUE(back.Decode(Encoded(shallow), &error)) << error;
  EXPECT_EQ(back.ToJson(), shallow.ToJson());
  EXPECT_FALSE(back.Decode(Encoded(deep), &error));
  EXPECT_EQ(error.rfind("nesting too deep", 0), 0u) << error;
}

}  // namespace

namespace {

// Numbers that the system's code compares with: choice tags in module order, presence
// flags in module order (root optional components first, then the extensions).
TEST(GeneratedTypes, NumbersFollowTheModulesOrder) {
  struct Case {
    const char* what;
    unsigned got, want;
  };
  const Case cases[] = {
      {"discoveryRequired", H225_RegistrationRejectReason::e_discoveryRequired, 0},
      {"duplicateAlias", H225_RegistrationRejectReason::e_duplicateAlias, 4},
      {"securityDenial", H225_RegistrationRejectReason::e_securityDenial, 11},
      {"fullRegistrationRequired", H225_RegistrationRejectReason::e_fullRegistrationRequired, 12},
      {"invalidPermission", H225_AdmissionRejectReason::e_invalidPermission, 1},
      {"sessionID", H245_H2250LogicalChannelAckParameters::e_sessionID, 1},
      {"mediaChannel", H245_H2250LogicalChannelAckParameters::e_mediaChannel, 2},
      {"mediaControlChannel", H245_H2250LogicalChannelAckParameters::e_mediaControlChannel, 3},
      {"dynamicRTPPayloadType", H245_H2250LogicalChannelAckParameters::e_dynamicRTPPayloadType, 4},
      {"multicastChannelNotAllowed",
       H245_OpenLogicalChannelReject_cause::e_multicastChannelNotAllowed, 6},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

}  // namespace
