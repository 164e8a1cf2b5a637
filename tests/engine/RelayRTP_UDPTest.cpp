// The relay substitution in the logical-channel acknowledgements: with the relay off the
// session glue behaves as the stack's own, with it on the addresses announced and used are
// the relay's; and one call whose media goes to a socket standing as the relay.

#include <gtest/gtest.h>

#include "PhoneTestSupport.h"
#include "engine/RelayRTP_UDP.h"
#include "stack/asn/H245.h"
#include "stack/codec/H323_GSM0610Capability.h"
#include "stack/rtp/RTP_DataFrame.h"
#include "tests/stack/rtp/WireCapture.h"

namespace {

using Ack = H245_H2250LogicalChannelAckParameters;

struct Ip {
  std::vector<uint8_t> octets;
  unsigned port;
  bool operator==(const Ip&) const = default;
};

Ip Read(const H245_TransportAddress& pdu) {
  const auto& ip = pdu.unicastAddress().iPAddress();
  const auto& n = ip.m_network.GetValue();
  return Ip{std::vector<uint8_t>(n.begin(), n.end()), static_cast<unsigned>(ip.m_tsapIdentifier.GetValue())};
}

void Write(H245_TransportAddress& pdu, std::vector<uint8_t> octets, unsigned port) {
  auto& ip = pdu.unicastAddress().iPAddress();
  ip.m_network.SetValue(octets.data(), octets.size());
  ip.m_tsapIdentifier = port;
}

// A session of the relay class and the stack's own, side by side on one connection, with
// a GSM channel on each.
class RelaySessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetMediaRelayPorts();
    ASSERT_TRUE(relay.Open(PIPSocket::Address::GetLoopback(), ports));
    ASSERT_TRUE(plain.Open(PIPSocket::Address::GetLoopback(), ports));
  }
  void TearDown() override { ResetMediaRelayPorts(); }

  static Ack PeerAck(unsigned dataPort, unsigned controlPort) {
    Ack ack;
    ack.IncludeOptionalField(Ack::e_mediaControlChannel);
    Write(ack.m_mediaControlChannel, {10, 1, 2, 3}, controlPort);
    ack.IncludeOptionalField(Ack::e_mediaChannel);
    Write(ack.m_mediaChannel, {10, 1, 2, 3}, dataPort);
    return ack;
  }

  H323EndPoint endpoint;
  H323Connection connection{endpoint, 1};
  RTP_PortRange ports;
  H323_GSM0610Capability gsm;
  CRelayRTP_UDP relay{connection, 1};
  H323_RTP_UDP plain{connection, 1};
  H323_RTPChannel relayChannel{connection, gsm, H323_RTPChannel::IsTransmitter, relay};
  H323_RTPChannel plainChannel{connection, gsm, H323_RTPChannel::IsTransmitter, plain};
};

TEST_F(RelaySessionTest, RelayOffSendsTheStacksAcknowledgement) {
  // Octets and control port alone do not turn the relay on.
  SetMediaRelay(192, 0, 2, 9, 0, 7001);
  relayChannel.SetDynamicRTPPayloadType(101);
  Ack sent;
  relay.OnSendingAckPDU(relayChannel, sent);
  H245_TransportAddress localData, localControl;
  relay.SetTransport(localData, true);
  relay.SetTransport(localControl, false);
  ASSERT_TRUE(sent.HasOptionalField(Ack::e_mediaChannel));
  ASSERT_TRUE(sent.HasOptionalField(Ack::e_mediaControlChannel));
  EXPECT_EQ(Read(sent.m_mediaChannel), Read(localData));
  EXPECT_EQ(Read(sent.m_mediaControlChannel), Read(localControl));
  EXPECT_EQ(Read(sent.m_mediaChannel).port, relay.GetSession().GetLocalDataPort());
  ASSERT_TRUE(sent.HasOptionalField(Ack::e_dynamicRTPPayloadType));
  EXPECT_EQ(sent.m_dynamicRTPPayloadType.GetValue(), 101);
}

TEST_F(RelaySessionTest, RelayOnAnnouncesTheRelaysAddressWithItsDataAndControlPorts) {
  SetMediaRelay(192, 0, 2, 9, 7000, 7001);
  relayChannel.SetDynamicRTPPayloadType(101);
  Ack sent;
  relay.OnSendingAckPDU(relayChannel, sent);
  const std::vector<uint8_t> relayOctets{192, 0, 2, 9};
  EXPECT_EQ(Read(sent.m_mediaChannel), (Ip{relayOctets, 7000}));
  EXPECT_EQ(Read(sent.m_mediaControlChannel), (Ip{relayOctets, 7001}));
  ASSERT_TRUE(sent.HasOptionalField(Ack::e_dynamicRTPPayloadType));
  EXPECT_EQ(sent.m_dynamicRTPPayloadType.GetValue(), 101);
  ASSERT_TRUE(sent.HasOptionalField(Ack::e_sessionID));
  EXPECT_EQ(sent.m_sessionID.GetValue(), 1);
}

TEST_F(RelaySessionTest, ReceivedAcknowledgementSendsToThePeerOrToTheRelay) {
  Ack ack = PeerAck(6000, 6001);
  ack.IncludeOptionalField(Ack::e_dynamicRTPPayloadType);
  ack.m_dynamicRTPPayloadType = 101;
  // Relay off: the peer's addresses, as the stack takes them.
  ASSERT_TRUE(relay.OnReceivedAckPDU(relayChannel, ack));
  ASSERT_TRUE(plain.OnReceivedAckPDU(plainChannel, ack));
  for (const RTP_UDP* s : {&relay.GetSession(), &plain.GetSession()}) {
    EXPECT_EQ(s->GetRemoteAddress(), PIPSocket::Address(10, 1, 2, 3));
    EXPECT_EQ(s->GetRemoteDataPort(), 6000);
    EXPECT_EQ(s->GetRemoteControlPort(), 6001);
  }
  // Relay on: the relay's, whatever the peer named.
  SetMediaRelay(127, 0, 0, 1, 7000, 7001);
  ASSERT_TRUE(relay.OnReceivedAckPDU(relayChannel, ack));
  EXPECT_EQ(relay.GetSession().GetRemoteAddress(), PIPSocket::Address::GetLoopback());
  EXPECT_EQ(relay.GetSession().GetRemoteDataPort(), 7000);
  EXPECT_EQ(relay.GetSession().GetRemoteControlPort(), 7001);
  EXPECT_EQ(relayChannel.GetRTPPayloadType(), 101u);
}

TEST_F(RelaySessionTest, RelayOnRefusesWhatTheStackRefuses) {
  SetMediaRelay(127, 0, 0, 1, 7000, 7001);
  {
    // Without a control channel nothing is set at all.
    Ack ack = PeerAck(6000, 6001);
    ack.RemoveOptionalField(Ack::e_mediaControlChannel);
    EXPECT_FALSE(relay.OnReceivedAckPDU(relayChannel, ack));
    EXPECT_EQ(relay.GetSession().GetRemoteDataPort(), 0);
    EXPECT_EQ(relay.GetSession().GetRemoteControlPort(), 0);
  }
  struct Case {
    const char* name;
    std::function<void(Ack&)> spoil;
  };
  const Case cases[] = {
      {"multicast media", [](Ack& a) { a.m_mediaChannel.multicastAddress(); }},
      {"IPv6 media", [](Ack& a) { a.m_mediaChannel.unicastAddress().iP6Address(); }},
      {"multicast control", [](Ack& a) { a.m_mediaControlChannel.multicastAddress(); }},
      {"no control channel", [](Ack& a) { a.RemoveOptionalField(Ack::e_mediaControlChannel); }},
      {"no media channel", [](Ack& a) { a.RemoveOptionalField(Ack::e_mediaChannel); }},
  };
  for (const Case& c : cases) {
    Ack ack = PeerAck(6000, 6001);
    c.spoil(ack);
    EXPECT_FALSE(relay.OnReceivedAckPDU(relayChannel, ack)) << c.name;
    EXPECT_FALSE(plain.OnReceivedAckPDU(plainChannel, ack)) << c.name;
  }
}

TEST_F(RelaySessionTest, ExtractRelayTransportGivesTheCauses) {
  SetMediaRelay(127, 0, 0, 1, 7000, 7001);
  H245_TransportAddress multicast;
  multicast.multicastAddress();
  unsigned cause = 99;
  EXPECT_FALSE(relay.ExtractRelayTransport(multicast, true, cause, CRelayRTP_UDP::kRelayDataPort));
  EXPECT_EQ(cause, 6u);
  H245_TransportAddress v6;
  v6.unicastAddress().iP6Address();
  EXPECT_FALSE(relay.ExtractRelayTransport(v6, true, cause, CRelayRTP_UDP::kRelayDataPort));
  EXPECT_EQ(cause, 0u);
  H245_TransportAddress v4;
  Write(v4, {10, 9, 8, 7}, 1234);
  EXPECT_TRUE(relay.ExtractRelayTransport(v4, false, cause, CRelayRTP_UDP::kRelayDataPort));
  EXPECT_EQ(relay.GetSession().GetRemoteControlPort(), 7000);  // relay port 1: the data port
}

using RelayCallTest = phonetest::PhoneCallTest;

// With the relay on, both sides send their RTP to the relay: the phone whatever the peer
// acknowledged, the peer because the phone announced the relay.
TEST_F(RelayCallTest, MediaOfBothDirectionsGoesToTheRelay) {
  WireCapture relayData, relayControl;
  SetMediaRelay(127, 0, 0, 1, relayData.Port(), relayControl.Port());
  const PString peerToken = CallPeer();
  H323_RTP_UDP* phoneSession = nullptr;
  H323Connection* c = phone->FindConnectionWithLock(phone->GetCurrentCallToken());
  ASSERT_NE(c, nullptr);
  phoneSession = c->UseSession(1);
  ASSERT_NE(phoneSession, nullptr);
  EXPECT_EQ(phoneSession->GetSession().GetRemoteDataPort(), relayData.Port());
  EXPECT_EQ(phoneSession->GetSession().GetRemoteControlPort(), relayControl.Port());
  c->Unlock();
  EXPECT_TRUE(AtPeer(peerToken, [&](H323Connection& pc) {
    H323_RTP_UDP* s = pc.UseSession(1);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->GetSession().GetRemoteDataPort(), relayData.Port());
    EXPECT_EQ(s->GetSession().GetRemoteControlPort(), relayControl.Port());
  }));
  // Both directions' packets arrive at the relay (some 12 a second each).
  EXPECT_TRUE(phonetest::PumpUntil([&] { return GsmPackets(relayData) >= 16; }));
  phone->HangUp();
  EXPECT_TRUE(peer->WaitCleared(peerToken).has_value());
}

}  // namespace
