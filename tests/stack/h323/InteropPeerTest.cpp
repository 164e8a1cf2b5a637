// The endpoint against a scripted peer that behaves as other widely deployed stacks do:
// H.245 tunnelled in the first messages of a call (the Setup, or the answer before the
// Connect), key tones in Q.931 INFORMATION, an end-session command inside the Release
// Complete, and master/slave determination between terminals of the same type.  tshark
// reads every exchange.

#include <gtest/gtest.h>

#include <functional>

#include "PeerCall.h"
#include "WireDecode.h"

namespace h323test {
namespace {

// A callee may tunnel its capability set and master/slave determination in any answer
// before the Connect, or in the Connect, and a caller in its Setup: the endpoint answers
// them at once, and once both sets are acknowledged opens its audio channel.
TEST(EarlyTunnelledH245, CapabilitiesAndDeterminationInTheFirstMessagesAreAnswered) {
  struct Case {
    const char* name;
    bool peerCalls;
    uint8_t type;
    Body body;
  };
  const Case cases[] = {
      {"Call Proceeding", false, Q931::CallProceedingMsg, H323UserInformation::e_callProceeding},
      {"Alerting", false, Q931::AlertingMsg, H323UserInformation::e_alerting},
      {"Progress", false, Q931::ProgressMsg, H323UserInformation::e_progress},
      {"Connect", false, Q931::ConnectMsg, H323UserInformation::e_connect},
      {"Setup", true, Q931::SetupMsg, H323UserInformation::e_setup},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PeerCall call(c.peerCalls);
    const std::vector<Msg> h245{CapabilitySet(5), MasterSlave(kTerminal - 10, 1234)};
    if (c.peerCalls) {
      ASSERT_TRUE(call.Start(h245));
    } else {
      ASSERT_TRUE(call.Start());
      ASSERT_TRUE(call.Send(c.type, c.body, h245));
    }
    // Answered before any Connect of the peer.
    auto tcsAck = call.WaitH245(Response(H245_ResponseMessage::e_terminalCapabilitySetAck));
    ASSERT_TRUE(tcsAck) << "capability set not acknowledged";
    EXPECT_EQ(tcsAck->response().terminalCapabilitySetAck().m_sequenceNumber.GetValue(), 5);
    auto msdAck = call.WaitH245(Response(H245_ResponseMessage::e_masterSlaveDeterminationAck));
    ASSERT_TRUE(msdAck) << "master/slave determination not answered";
    EXPECT_EQ(msdAck->response().masterSlaveDeterminationAck().m_decision.GetTag(),
              H245_MasterSlaveDeterminationAck_decision::e_slave);  // the peer, of the lower type
    if (!c.peerCalls && c.type != Q931::ConnectMsg) {
      ASSERT_TRUE(call.Answer());
    }

    auto tcs = call.WaitH245(Request(H245_RequestMessage::e_terminalCapabilitySet));
    ASSERT_TRUE(tcs);
    ASSERT_TRUE(call.SendH245({CapabilitySetAck(
        static_cast<unsigned>(tcs->request().terminalCapabilitySet().m_sequenceNumber.GetValue()))}));
    EXPECT_TRUE(call.WaitH245(Request(H245_RequestMessage::e_openLogicalChannel))) << "no audio channel opened";
    EXPECT_EQ(call.EndpointIsMaster(), true);

    if (!WireDecoderAvailable()) continue;
    const auto packets = call.peer.Packets();
    const auto rows = ExpectCleanWire(packets, {"q931.message_type", "h245.pdu_type"});
    bool carried = false;
    for (const auto& row : rows) carried = carried || (row.fields[0] == MessageType(c.type) && !row.fields[1].empty());
    EXPECT_TRUE(carried) << "tshark found no H.245 in the " << c.name;
  }
}

// The larger terminal type is master; between equal types the status-determination
// numbers decide modulo 2^24, and a difference of 0 or 2^23 decides nothing.  The peer
// chooses its number from the endpoint's, and the endpoint's answer is checked with the
// endpoint as caller and as callee.
TEST(MasterSlaveDetermination, FollowsTheTerminalTypesAndTheNumbersOnBothSidesOfACall) {
  enum Outcome { kEndpointMaster, kEndpointSlave, kIndeterminate };
  struct Case {
    unsigned peerType;
    uint32_t offset;  // the peer's number less the endpoint's, modulo 2^24
    Outcome outcome;
  };
  const Case cases[] = {
      {kTerminal - 10, 0x900000, kEndpointMaster},  // the type decides before the numbers
      {kTerminal + 10, 1, kEndpointSlave},
      {kTerminal, 1, kEndpointMaster},
      {kTerminal, 0x7FFFFF, kEndpointMaster},
      {kTerminal, 0x800001, kEndpointSlave},
      {kTerminal, 0xFFFFFF, kEndpointSlave},
      {kTerminal, 0, kIndeterminate},
      {kTerminal, 0x800000, kIndeterminate},
  };
  for (bool peerCalls : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << (peerCalls ? "endpoint answers" : "endpoint calls") << ", peer type "
                                      << c.peerType << ", offset " << c.offset);
      PeerCall call(peerCalls);
      ASSERT_TRUE(call.Start());
      if (!peerCalls) {
        ASSERT_TRUE(call.Answer());
      }
      auto ours = call.WaitH245(Request(H245_RequestMessage::e_masterSlaveDetermination));
      ASSERT_TRUE(ours);
      const auto number =
          static_cast<uint32_t>(ours->request().masterSlaveDetermination().m_statusDeterminationNumber.GetValue());
      EXPECT_EQ(ours->request().masterSlaveDetermination().m_terminalType.GetValue(), kTerminal);
      ASSERT_TRUE(call.SendH245({MasterSlave(c.peerType, number + c.offset)}));
      if (c.outcome == kIndeterminate) {
        EXPECT_TRUE(call.WaitH245(Response(H245_ResponseMessage::e_masterSlaveDeterminationReject)));
        continue;
      }
      auto ack = call.WaitH245(Response(H245_ResponseMessage::e_masterSlaveDeterminationAck));
      ASSERT_TRUE(ack);
      // The decision names what the receiver, the peer, is.
      EXPECT_EQ(ack->response().masterSlaveDeterminationAck().m_decision.GetTag(),
                c.outcome == kEndpointMaster ? H245_MasterSlaveDeterminationAck_decision::e_slave
                                             : H245_MasterSlaveDeterminationAck_decision::e_master);
      EXPECT_EQ(call.EndpointIsMaster(), c.outcome == kEndpointMaster);
      if (WireDecoderAvailable()) ExpectCleanWire(call.peer.Packets(), {"h245.decision"});
    }
  }
}

// Without an H.245 channel a peer sends key tones as the keypad facility of Q.931
// INFORMATION messages, with user-user information or without.
TEST(KeypadInformation, KeyTonesAreReportedAsUserInput) {
  PeerCall call(true, false);
  ASSERT_TRUE(call.Start());
  ASSERT_TRUE(call.peer.WaitFor(Q931::ConnectMsg));
  ASSERT_TRUE(call.endpoint.WaitEstablished());
  H323SignalPDU information = ScriptedPeer::Message(Q931::InformationMsg, H323UserInformation::e_information, 77, false);
  ASSERT_TRUE(information.m_q931pdu.SetKeypad("12"));
  ASSERT_TRUE(call.peer.SendPDU(information));
  Q931 bare(Q931::InformationMsg, 77, false);
  ASSERT_TRUE(bare.SetKeypad("#"));
  ASSERT_TRUE(call.peer.Send(bare));
  EXPECT_TRUE(call.endpoint.events.WaitFor([&] { return call.endpoint.userInput == "12#"; }))
      << "user input: " << call.endpoint.userInput;

  if (!WireDecoderAvailable()) return;
  const auto rows = ExpectCleanWire(call.peer.Packets(), {"q931.message_type", "q931.keypad_facility"});
  std::vector<std::string> keys;
  for (const auto& row : rows)
    if (row.fields[0] == MessageType(Q931::InformationMsg)) keys.push_back(row.fields[1]);
  EXPECT_EQ(keys, (std::vector<std::string>{"12", "#"}));
}

// A Release Complete ends the call: the end-session command it carries gets no answer,
// and no Release Complete of the endpoint's follows.
TEST(ReleaseCompleteWithEndSession, NothingFollowsThePeersRelease) {
  PeerCall call(true);
  ASSERT_TRUE(call.Start());
  ASSERT_TRUE(call.peer.WaitFor(Q931::ConnectMsg));
  ASSERT_TRUE(call.WaitH245(Request(H245_RequestMessage::e_masterSlaveDetermination)));
  const PString token = call.CallToken();
  Msg end;
  end.command().endSessionCommand().disconnect();
  ASSERT_TRUE(call.Send(Q931::ReleaseCompleteMsg, H323UserInformation::e_releaseComplete, {end}));
  EXPECT_EQ(call.endpoint.WaitCleared(token), H323Connection::EndedByRemoteUser);
  ASSERT_TRUE(call.peer.WaitClosed());

  const auto packets = call.peer.Packets();
  size_t release = packets.size();
  for (size_t i = 0; i < packets.size(); ++i)
    if (packets[i].fromPeer && i > 0) release = i;  // the peer's last message
  ASSERT_LT(release, packets.size());
  for (size_t i = release + 1; i < packets.size(); ++i) {
    Q931 q;
    ASSERT_TRUE(q.Decode(packets[i].payload));
    ADD_FAILURE() << "the endpoint sent message " << MessageType(q.GetMessageType()) << " after the release";
  }
  if (WireDecoderAvailable()) {
    const auto rows = ExpectCleanWire(packets, {"q931.message_type", "h245.endSessionCommand"});
    ASSERT_EQ(rows.size(), packets.size());
    EXPECT_EQ(rows[release].fields[0], MessageType(Q931::ReleaseCompleteMsg));
    EXPECT_FALSE(rows[release].fields[1].empty()) << "tshark found no end-session command in the release";
  }
}

}  // namespace
}  // namespace h323test
