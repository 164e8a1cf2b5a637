// The endpoint against a scripted peer that behaves as an H.323 stack of another lineage
// does: as master it numbers the audio session itself (4), it answers fast start early
// (in a Progress or a Facility), it decides master/slave on the endpoint's request alone
// and waits for the endpoint's acknowledgement, it reads the endpoint's user-input
// capabilities, and it expects the end of a call in H.245's order (end session both
// ways, then Release Complete).  tshark reads every exchange.

#include <gtest/gtest.h>

#include "PeerCall.h"
#include "WireDecode.h"

namespace h323test {
namespace {

constexpr unsigned kPeerRtcp = 40001;
constexpr unsigned kPeerRtp = 40010;

unsigned SessionOfOpen(const Msg& m) {
  return static_cast<unsigned>(m.request()
                                   .openLogicalChannel()
                                   .m_forwardLogicalChannelParameters.m_multiplexParameters.h2250LogicalChannelParameters()
                                   .m_sessionID.GetValue());
}

std::optional<unsigned> SessionOfAck(const Msg& m) {
  const auto& ack = m.response().openLogicalChannelAck();
  if (!ack.HasOptionalField(H245_OpenLogicalChannelAck::e_forwardMultiplexAckParameters)) return std::nullopt;
  const auto& param = ack.m_forwardMultiplexAckParameters.h2250LogicalChannelAckParameters();
  if (!param.HasOptionalField(H245_H2250LogicalChannelAckParameters::e_sessionID)) return std::nullopt;
  return static_cast<unsigned>(param.m_sessionID.GetValue());
}

// The values of tshark's h245.sessionID in the endpoint's messages, all joined.
std::string WireSessions(const std::vector<ScriptedPeer::Packet>& packets) {
  std::string all;
  const auto rows = ExpectCleanWire(packets, {"h245.sessionID"});
  for (size_t i = 0; i < rows.size() && i < packets.size(); ++i)
    if (!packets[i].fromPeer && !rows[i].fields[0].empty()) all += (all.empty() ? "" : ",") + rows[i].fields[0];
  return all;
}

// A master may open audio in a session of its own numbering, and a slave leaves the
// number to the master (0).  The endpoint takes the channel in that session, answers
// with it, and sends its own audio in the same session: whether the peer's channel comes
// first, or the endpoint's does and the master moves it there in its acknowledgement.
// This is the call a peer places with fast start offered while the endpoint has it off.
TEST(PeerSessions, TheMastersSessionCarriesTheAudioOfBothDirections) {
  struct Case {
    const char* name;
    unsigned peerType;
    unsigned peerSession;     // in the peer's OpenLogicalChannel
    bool peerOpensFirst;      // before it acknowledges the endpoint's capabilities
    unsigned expectedSession;  // of every channel of the endpoint
  };
  const Case cases[] = {
      {"master opens in 4 first", kTerminal + 10, 4, true, 4},
      {"master opens in 4 after the endpoint", kTerminal + 10, 4, false, 4},
      {"slave leaves the session to the endpoint", kTerminal - 10, 0, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PeerCall call(true);
    // Fast start is offered, and the endpoint (fast start off) leaves it.
    std::vector<uint8_t> proposal;
    ASSERT_TRUE(OpenAudio(1, 1, kPeerRtcp).request().openLogicalChannel().Encode(proposal));
    ASSERT_TRUE(call.Start({CapabilitySet(1), MasterSlave(c.peerType, 4711)}, {proposal}));
    ASSERT_TRUE(call.peer.WaitFor(Q931::ConnectMsg));
    auto tcs = call.WaitH245(Request(H245_RequestMessage::e_terminalCapabilitySet));
    ASSERT_TRUE(tcs);
    const Msg tcsAck = CapabilitySetAck(
        static_cast<unsigned>(tcs->request().terminalCapabilitySet().m_sequenceNumber.GetValue()));
    ASSERT_TRUE(call.WaitH245(Response(H245_ResponseMessage::e_masterSlaveDeterminationAck)));

    if (c.peerOpensFirst) {
      ASSERT_TRUE(call.SendH245({OpenAudio(101, c.peerSession, kPeerRtcp)}));
      auto ack = call.WaitH245(Response(H245_ResponseMessage::e_openLogicalChannelAck));
      ASSERT_TRUE(ack) << "the peer's channel was refused";
      EXPECT_EQ(SessionOfAck(*ack), c.expectedSession);
      ASSERT_TRUE(call.SendH245({tcsAck}));
      auto open = call.WaitH245(Request(H245_RequestMessage::e_openLogicalChannel));
      ASSERT_TRUE(open);
      EXPECT_EQ(SessionOfOpen(*open), c.expectedSession);
      ASSERT_TRUE(call.SendH245(
          {OpenAudioAck(static_cast<unsigned>(open->request().openLogicalChannel().m_forwardLogicalChannelNumber.GetValue()),
                        kPeerRtp)}));
    } else {
      ASSERT_TRUE(call.SendH245({tcsAck}));
      auto open = call.WaitH245(Request(H245_RequestMessage::e_openLogicalChannel));
      ASSERT_TRUE(open);
      EXPECT_EQ(SessionOfOpen(*open), 1u);  // nothing known yet: the primary audio session
      ASSERT_TRUE(call.SendH245({OpenAudio(101, c.peerSession, kPeerRtcp)}));
      auto ack = call.WaitH245(Response(H245_ResponseMessage::e_openLogicalChannelAck));
      ASSERT_TRUE(ack) << "the peer's channel was refused";
      EXPECT_EQ(SessionOfAck(*ack), c.expectedSession);
      ASSERT_TRUE(call.SendH245(
          {OpenAudioAck(static_cast<unsigned>(open->request().openLogicalChannel().m_forwardLogicalChannelNumber.GetValue()),
                        kPeerRtp, c.peerSession)}));
    }
    ASSERT_TRUE(WaitChannels(call.endpoint, call.CallToken(), 2));
    EXPECT_EQ(call.EndpointSessions(), (std::vector<unsigned>{c.expectedSession, c.expectedSession}));
    EXPECT_EQ(call.CountH245(Response(H245_ResponseMessage::e_openLogicalChannelReject)), 0u);
    EXPECT_EQ(call.endpoint.GetConnectionCount(), 1u);  // the call stays up

    if (WireDecoderAvailable()) {
      const std::string sessions = WireSessions(call.peer.Packets());
      EXPECT_NE(sessions.find(std::to_string(c.expectedSession)), std::string::npos) << sessions;
    }
  }
}

// A fast-start answer may come before the Alerting or the Connect: in a Progress (early
// media) or a Facility.  The endpoint starts both channels from it; the Connect that
// follows carries none.
TEST(EarlyFastStartAnswer, AnAnswerInProgressOrFacilityStartsBothChannels) {
  struct Case {
    const char* name;
    uint8_t type;
    Body body;
  };
  const Case cases[] = {
      {"Progress", Q931::ProgressMsg, H323UserInformation::e_progress},
      {"Facility", Q931::FacilityMsg, H323UserInformation::e_facility},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PeerCall call(false, true, true);
    ASSERT_TRUE(call.Start());
    ASSERT_TRUE(call.setup.m_userInfo.hasFastStart);
    // The peer accepts the endpoint's proposals as they are, with its own addresses.
    std::vector<std::vector<uint8_t>> answer;
    for (const auto& bytes : call.setup.m_userInfo.fastStart) {
      H245_OpenLogicalChannel open;
      ASSERT_TRUE(open.Decode(bytes));
      if (open.m_forwardLogicalChannelParameters.m_dataType.GetTag() == H245_DataType::e_audioData) {
        auto& param =
            open.m_forwardLogicalChannelParameters.m_multiplexParameters.h2250LogicalChannelParameters();
        param.IncludeOptionalField(H245_H2250LogicalChannelParameters::e_mediaChannel);
        SetLoopback(param.m_mediaChannel, kPeerRtp);
        SetLoopback(param.m_mediaControlChannel, kPeerRtp + 1);
      } else {
        auto& param = open.m_reverseLogicalChannelParameters.m_multiplexParameters.h2250LogicalChannelParameters();
        SetLoopback(param.m_mediaControlChannel, kPeerRtcp);
      }
      std::vector<uint8_t> encoded;
      ASSERT_TRUE(open.Encode(encoded));
      answer.push_back(encoded);
    }
    ASSERT_EQ(answer.size(), 2u);
    ASSERT_TRUE(call.Send(Q931::CallProceedingMsg, H323UserInformation::e_callProceeding));
    ASSERT_TRUE(call.Send(c.type, c.body, {}, answer));
    EXPECT_TRUE(WaitChannels(call.endpoint, call.token, 2)) << "no channel started from the early answer";
    ASSERT_TRUE(call.Answer());
    ASSERT_TRUE(call.endpoint.WaitEstablished());
    bool used = false;
    ASSERT_TRUE(call.AtEndpoint([&](H323Connection& conn) { used = conn.GetH245().IsFastStartUsed(); }));
    EXPECT_TRUE(used);
    EXPECT_EQ(call.EndpointSessions().size(), 2u);

    if (!WireDecoderAvailable()) continue;
    const auto packets = call.peer.Packets();
    const auto rows = ExpectCleanWire(packets, {"q931.message_type", "h225.FastStart_item"});
    size_t items = 0;
    for (size_t i = 0; i < rows.size() && i < packets.size(); ++i)
      if (packets[i].fromPeer && rows[i].fields[0] == MessageType(c.type) && !rows[i].fields[1].empty())
        items = std::count(rows[i].fields[1].begin(), rows[i].fields[1].end(), ',') + 1;
    EXPECT_EQ(items, 2u) << "tshark found no fast-start answer in the " << c.name;
  }
}

// The capability set says what user input the endpoint takes (text, which it also sends,
// and key signals), each simultaneous with the audio, so that peers send key tones in
// H.245 rather than Q.931 keypad or not at all.
TEST(UserInputCapabilities, TheCapabilitySetOffersTextAndKeySignals) {
  PeerCall call(true);
  ASSERT_TRUE(call.Start());
  ASSERT_TRUE(call.peer.WaitFor(Q931::ConnectMsg));
  auto tcs = call.WaitH245(Request(H245_RequestMessage::e_terminalCapabilitySet));
  ASSERT_TRUE(tcs);
  const auto& set = tcs->request().terminalCapabilitySet();
  std::optional<unsigned> text, keys;
  for (size_t i = 0; i < set.m_capabilityTable.GetSize(); ++i) {
    const auto& entry = set.m_capabilityTable[i];
    const auto number = static_cast<unsigned>(entry.m_capabilityTableEntryNumber.GetValue());
    const H245_Capability& cap = entry.m_capability;
    if (cap.GetTag() == H245_Capability::e_receiveAndTransmitUserInputCapability &&
        cap.receiveAndTransmitUserInputCapability().GetTag() == H245_UserInputCapability::e_basicString)
      text = number;
    if (cap.GetTag() == H245_Capability::e_receiveUserInputCapability &&
        cap.receiveUserInputCapability().GetTag() == H245_UserInputCapability::e_dtmf)
      keys = number;
  }
  ASSERT_TRUE(text && keys) << "no user-input capability";
  // Each stands as an alternative set of its own in the descriptor, beside the audio.
  ASSERT_EQ(set.m_capabilityDescriptors.GetSize(), 1u);
  const auto& simultaneous = set.m_capabilityDescriptors[0].m_simultaneousCapabilities;
  std::vector<unsigned> singles;
  for (size_t i = 0; i < simultaneous.GetSize(); ++i)
    if (simultaneous[i].GetSize() == 1) singles.push_back(static_cast<unsigned>(simultaneous[i][0].GetValue()));
  EXPECT_NE(std::find(singles.begin(), singles.end(), *text), singles.end());
  EXPECT_NE(std::find(singles.begin(), singles.end(), *keys), singles.end());

  if (!WireDecoderAvailable()) return;
  const auto rows = ExpectCleanWire(call.peer.Packets(), {"h245.receiveAndTransmitUserInputCapability",
                                                          "h245.receiveUserInputCapability"});
  bool both = false;
  for (const auto& row : rows) both = both || (!row.fields[0].empty() && !row.fields[1].empty());
  EXPECT_TRUE(both) << "tshark found no user-input capabilities in the capability set";
}

// A peer may decide master/slave on the endpoint's request alone and acknowledge it; the
// endpoint then ends the procedure with its own acknowledgement, which names the peer's
// part.  When both sides sent a request, the acknowledgements cross and none follows.
TEST(MasterSlaveCompletion, TheEndpointAcknowledgesThePeersDecision) {
  struct Case {
    bool peerCalls;
    bool endpointMaster;  // the peer's decision
    bool peerAsksToo;     // the peer sent its own request before acknowledging
  };
  const Case cases[] = {
      {false, true, false}, {false, false, false}, {true, true, false}, {true, false, false}, {true, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.peerCalls ? "endpoint answers" : "endpoint calls") << ", endpoint "
                                    << (c.endpointMaster ? "master" : "slave")
                                    << (c.peerAsksToo ? ", both ask" : ""));
    PeerCall call(c.peerCalls);
    ASSERT_TRUE(call.Start());
    if (!c.peerCalls) {
      ASSERT_TRUE(call.Answer());
    }
    auto ours = call.WaitH245(Request(H245_RequestMessage::e_masterSlaveDetermination));
    ASSERT_TRUE(ours);
    if (c.peerAsksToo) {
      const auto number =
          static_cast<uint32_t>(ours->request().masterSlaveDetermination().m_statusDeterminationNumber.GetValue());
      ASSERT_TRUE(call.SendH245({MasterSlave(kTerminal - 1, number)}));  // the endpoint is master
      ASSERT_TRUE(call.WaitH245(Response(H245_ResponseMessage::e_masterSlaveDeterminationAck)));
    }
    ASSERT_TRUE(call.SendH245({MasterSlaveAck(c.endpointMaster)}));
    // A round trip behind the acknowledgement: by its answer the endpoint has read it.
    Msg rtd;
    rtd.request().roundTripDelayRequest().m_sequenceNumber = 9;
    ASSERT_TRUE(call.SendH245({rtd}));
    ASSERT_TRUE(call.WaitH245(Response(H245_ResponseMessage::e_roundTripDelayResponse)));

    const auto acks = [&] {
      std::vector<Msg> found;
      for (const Msg& m : FromEndpoint(call.peer.Packets()))
        if (Response(H245_ResponseMessage::e_masterSlaveDeterminationAck)(m)) found.push_back(m);
      return found;
    }();
    ASSERT_EQ(acks.size(), 1u) << "one acknowledgement from the endpoint";
    EXPECT_EQ(acks[0].response().masterSlaveDeterminationAck().m_decision.GetTag(),
              c.endpointMaster ? H245_MasterSlaveDeterminationAck_decision::e_slave
                               : H245_MasterSlaveDeterminationAck_decision::e_master);
    EXPECT_EQ(call.EndpointIsMaster(), c.endpointMaster);
    bool done = false;
    ASSERT_TRUE(call.AtEndpoint([&](H323Connection& conn) { done = conn.GetH245().IsMasterSlaveDone(); }));
    EXPECT_TRUE(done);
    if (WireDecoderAvailable()) ExpectCleanWire(call.peer.Packets(), {"h245.decision"});
  }
}

// Hanging up: the endpoint ends the session, waits for the peer's end of session, and
// only then sends its Release Complete; a peer that never answers is waited for no longer
// than the end-session time-out.
TEST(HangUpOrder, EndSessionBothWaysThenReleaseComplete) {
  for (bool peerAnswers : {true, false}) {
    SCOPED_TRACE(peerAnswers ? "the peer ends its session" : "the peer stays silent");
    PeerCall call(true);
    call.endpoint.SetEndSessionTimeout(PTimeInterval(peerAnswers ? 10000 : 300));
    ASSERT_TRUE(call.Start());
    ASSERT_TRUE(call.peer.WaitFor(Q931::ConnectMsg));
    ASSERT_TRUE(call.WaitH245(Request(H245_RequestMessage::e_masterSlaveDetermination)));
    const PString token = call.CallToken();
    ASSERT_TRUE(call.endpoint.ClearCall(token));
    ASSERT_TRUE(call.WaitH245(Command(H245_CommandMessage::e_endSessionCommand)));
    if (peerAnswers) {
      const auto types = EndpointMessageTypes(call.peer.Packets());
      EXPECT_EQ(std::count(types.begin(), types.end(), Q931::ReleaseCompleteMsg), 0)
          << "the Release Complete did not wait for the peer's end of session";
      ASSERT_TRUE(call.SendH245({EndSession()}));
    }
    ASSERT_TRUE(call.peer.WaitFor(Q931::ReleaseCompleteMsg));
    if (peerAnswers) {
      ASSERT_TRUE(call.Send(Q931::ReleaseCompleteMsg, H323UserInformation::e_releaseComplete));
    }
    EXPECT_EQ(call.endpoint.WaitCleared(token), H323Connection::EndedByLocalUser);
    ASSERT_TRUE(call.peer.WaitClosed());

    // The endpoint's end of session, then its Release Complete, and nothing after it.
    const auto packets = call.peer.Packets();
    std::optional<size_t> endSession, release;
    for (size_t i = 0; i < packets.size(); ++i) {
      if (packets[i].fromPeer) continue;
      Q931 q;
      ASSERT_TRUE(q.Decode(packets[i].payload));
      if (q.GetMessageType() == Q931::ReleaseCompleteMsg) release = i;
      for (const Msg& m : FromEndpoint({packets[i]}))
        if (!endSession && Command(H245_CommandMessage::e_endSessionCommand)(m)) endSession = i;
    }
    ASSERT_TRUE(endSession && release);
    EXPECT_LT(*endSession, *release);
    EXPECT_EQ(EndpointMessageTypes(packets).back(), Q931::ReleaseCompleteMsg);
    if (WireDecoderAvailable()) {
      const auto rows = ExpectCleanWire(packets, {"q931.message_type", "h245.endSessionCommand"});
      ASSERT_EQ(rows.size(), packets.size());
      EXPECT_FALSE(rows[*endSession].fields[1].empty());
      EXPECT_EQ(rows[*release].fields[0], MessageType(Q931::ReleaseCompleteMsg));
    }
  }
}

}  // namespace
}  // namespace h323test
