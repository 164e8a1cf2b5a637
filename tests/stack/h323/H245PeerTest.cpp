// H.245 against a scripted caller that tunnels its control messages: the endpoint decodes
// a full capability set, answers what it is asked (round trip, channels it cannot take,
// requests it does not handle), accepts user input in any form, and ends the call on
// the peer's end-session command.

#include <gtest/gtest.h>

#include <functional>

#include "AlsaFixture.h"
#include "CallFixture.h"
#include "stack/asn/H245.h"
#include "stack/codec/H323_GSM0610Capability.h"
#include "stack/h323/H323ControlChannel.h"

namespace h323test {
namespace {

using Msg = H245_MultimediaSystemControlMessage;
constexpr uint16_t kRef = 321;

class TunnelledPeer : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* gsm = new H323_GSM0610Capability;
    callee.SetCapability(P_MAX_INDEX, P_MAX_INDEX, gsm);
    ASSERT_TRUE(peer.Connect(callee.Listen()));
    H323SignalPDU setup = ScriptedPeer::Message(Q931::SetupMsg, H323UserInformation::e_setup, kRef, false);
    setup.m_userInfo.callIdentifier = H323NewGuid();
    setup.m_userInfo.h245Tunnelling = true;
    ASSERT_TRUE(peer.SendPDU(setup));
    ASSERT_TRUE(peer.WaitFor(Q931::ConnectMsg));
    ASSERT_TRUE(callee.WaitEstablished());
    token = callee.EstablishedToken();
  }

  void SendH245(const Msg& msg) {
    H323SignalPDU facility = ScriptedPeer::Message(Q931::FacilityMsg, H323UserInformation::e_facility, kRef, false);
    facility.m_userInfo.h245Tunnelling = true;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(msg.Encode(bytes));
    facility.m_userInfo.h245Control.push_back(bytes);
    ASSERT_TRUE(peer.SendPDU(facility));
  }

  // The next tunnelled H.245 message from the endpoint that `match` accepts.
  std::optional<Msg> WaitH245(const std::function<bool(const Msg&)>& match) {
    for (int i = 0; i < 20; ++i) {
      auto facility = peer.WaitFor(Q931::FacilityMsg);
      if (!facility) return std::nullopt;
      H323SignalPDU pdu;
      if (!pdu.Read(*facility)) continue;
      for (const auto& bytes : pdu.m_userInfo.h245Control) {
        Msg msg;
        if (msg.Decode(bytes) && match(msg)) return msg;
      }
    }
    return std::nullopt;
  }
  static std::function<bool(const Msg&)> Response(unsigned tag) {
    return [tag](const Msg& m) { return m.GetTag() == Msg::e_response && m.response().GetTag() == tag; };
  }

  TestEndPoint callee{"bob"};
  ScriptedPeer peer;
  PString token;
};

TEST_F(TunnelledPeer, FullCapabilitySetIsDecodedAndAcknowledged) {
  Msg msg;
  auto& tcs = msg.request().terminalCapabilitySet();
  tcs.m_sequenceNumber = 7;
  tcs.m_protocolIdentifier.SetValue(std::string_view("0.0.8.245.0.7"));
  tcs.IncludeOptionalField(H245_TerminalCapabilitySet::e_capabilityTable);
  const unsigned tags[] = {H245_AudioCapability::e_g711Ulaw64k, H245_AudioCapability::e_g729,
                           H245_AudioCapability::e_gsmFullRate, H245_AudioCapability::e_g7231};
  unsigned n = 0;
  for (unsigned tag : tags) {
    auto& entry = tcs.m_capabilityTable.Append();
    entry.m_capabilityTableEntryNumber = ++n;
    entry.IncludeOptionalField(H245_CapabilityTableEntry::e_capability);
    ASSERT_TRUE(entry.m_capability.receiveAudioCapability().SetTag(tag));
    if (tag == H245_AudioCapability::e_gsmFullRate) {
      static_cast<H245_GSMAudioCapability&>(entry.m_capability.receiveAudioCapability().GetObject()).m_audioUnitSize = 66;
    } else if (tag != H245_AudioCapability::e_g7231) {
      static_cast<asn::Integer&>(entry.m_capability.receiveAudioCapability().GetObject()) = 20;
    }
  }
  // A user-input capability too, which is not audio.
  auto& input = tcs.m_capabilityTable.Append();
  input.m_capabilityTableEntryNumber = ++n;
  input.IncludeOptionalField(H245_CapabilityTableEntry::e_capability);
  input.m_capability.receiveUserInputCapability().SetTag(1);
  SendH245(msg);
  auto ack = WaitH245(Response(H245_ResponseMessage::e_terminalCapabilitySetAck));
  ASSERT_TRUE(ack);
  EXPECT_EQ(ack->response().terminalCapabilitySetAck().m_sequenceNumber.GetValue(), 7);
  H323Connection* c = callee.FindConnectionWithLock(token);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->GetH245().GetRemoteCapabilityCount(), 5u);
  EXPECT_EQ(c->GetH245().GetRemoteReceiveAudio(), (std::vector<unsigned>{tags[0], tags[1], tags[2], tags[3]}));
  c->Unlock();
}

TEST_F(TunnelledPeer, RequestsAreAnswered) {
  struct Case {
    const char* name;
    std::function<void(Msg&)> build;
    std::function<bool(const Msg&)> answer;
  };
  const Case cases[] = {
      {"round trip delay",
       [](Msg& m) { m.request().roundTripDelayRequest().m_sequenceNumber = 42; },
       [](const Msg& m) {
         return m.GetTag() == Msg::e_response &&
                m.response().GetTag() == H245_ResponseMessage::e_roundTripDelayResponse &&
                m.response().roundTripDelayResponse().m_sequenceNumber.GetValue() == 42;
       }},
      {"channel of a codec not in the table",
       [](Msg& m) {
         auto& open = m.request().openLogicalChannel();
         open.m_forwardLogicalChannelNumber = 9;
         open.m_forwardLogicalChannelParameters.m_dataType.audioData().g728() = 20;
         open.m_forwardLogicalChannelParameters.m_multiplexParameters.h2250LogicalChannelParameters().m_sessionID = 1;
       },
       [](const Msg& m) {
         return m.GetTag() == Msg::e_response &&
                m.response().GetTag() == H245_ResponseMessage::e_openLogicalChannelReject &&
                m.response().openLogicalChannelReject().m_forwardLogicalChannelNumber.GetValue() == 9 &&
                m.response().openLogicalChannelReject().m_cause.GetTag() ==
                    H245_OpenLogicalChannelReject_cause::e_dataTypeNotSupported;
       }},
      {"request this side does not handle",
       [](Msg& m) { m.request().communicationModeRequest(); },
       [](const Msg& m) {
         return m.GetTag() == Msg::e_indication &&
                m.indication().GetTag() == H245_IndicationMessage::e_functionNotUnderstood &&
                m.indication().functionNotUnderstood().GetTag() == H245_FunctionNotUnderstood::e_request &&
                m.indication().functionNotUnderstood().request().GetTag() ==
                    H245_RequestMessage::e_communicationModeRequest;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Msg msg;
    c.build(msg);
    SendH245(msg);
    EXPECT_TRUE(WaitH245(c.answer));
  }
}

TEST_F(TunnelledPeer, UserInputInAnyFormIsReported) {
  Msg alpha;
  alpha.indication().userInput().alphanumeric() = std::string_view("12");
  SendH245(alpha);
  Msg signal;
  signal.indication().userInput().signal().m_signalType = std::string_view("#");
  SendH245(signal);
  EXPECT_TRUE(callee.events.WaitFor([&] { return callee.userInput == "12#"; }));
}

TEST_F(TunnelledPeer, EndSessionFromThePeerEndsTheCall) {
  Msg end;
  end.command().endSessionCommand().disconnect();
  SendH245(end);
  EXPECT_EQ(callee.WaitCleared(token), H323Connection::EndedByRemoteUser);
  auto answer = WaitH245([](const Msg& m) {
    return m.GetTag() == Msg::e_command && m.command().GetTag() == H245_CommandMessage::e_endSessionCommand;
  });
  EXPECT_TRUE(answer);
  EXPECT_TRUE(peer.WaitFor(Q931::ReleaseCompleteMsg));
}

}  // namespace
}  // namespace h323test

namespace h323test {
namespace {

TEST(SeparateControlChannel, ItsLossEndsTheCall) {
  TestEndPoint callee{"bob"};
  ScriptedPeer peer;
  ASSERT_TRUE(peer.Connect(callee.Listen()));
  H323SignalPDU setup = ScriptedPeer::Message(Q931::SetupMsg, H323UserInformation::e_setup, 55, false);
  setup.m_userInfo.h245Tunnelling = false;
  ASSERT_TRUE(peer.SendPDU(setup));
  auto connect = peer.WaitFor(Q931::ConnectMsg);
  ASSERT_TRUE(connect);
  H323SignalPDU pdu;
  ASSERT_TRUE(pdu.Read(*connect));
  ASSERT_TRUE(pdu.m_userInfo.h245Address.has_value()) << "no H.245 address in the Connect";
  EXPECT_FALSE(pdu.m_userInfo.h245Tunnelling);
  ScriptedPeer control;
  ASSERT_TRUE(control.Connect(PString(pdu.m_userInfo.h245Address->ToString())));
  ASSERT_TRUE(callee.WaitEstablished());
  control.Close();
  EXPECT_EQ(callee.WaitCleared(callee.EstablishedToken()), H323Connection::EndedByTransportFail);
  EXPECT_TRUE(peer.WaitFor(Q931::ReleaseCompleteMsg));
}

}  // namespace
}  // namespace h323test
