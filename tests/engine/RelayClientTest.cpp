#include "engine/RelayClient.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "tests/engine/FakeRelay.h"

namespace {

struct RecordingEndpoint : RelayEndpoint {
  int fastStartCalls = 0;
  bool fastStart = false;
  unsigned rtpBase = 0, rtpMax = 0;
  int relayCalls = 0;
  unsigned relay[6] = {};
  void SetFastStart(bool enabled) override {
    ++fastStartCalls;
    fastStart = enabled;
  }
  void SetRtpIpPorts(unsigned base, unsigned max) override {
    rtpBase = base;
    rtpMax = max;
  }
  void SetMediaRelay(unsigned a, unsigned b, unsigned c, unsigned d, unsigned rtp, unsigned rtcp) override {
    ++relayCalls;
    unsigned v[6] = {a, b, c, d, rtp, rtcp};
    std::copy(v, v + 6, relay);
  }
};

// Relays on 127.0.0.2, 127.0.0.3, ... all on one port, as a relay host name with several
// addresses would give.
class RelayClientTest : public ::testing::Test {
 protected:
  void StartRelays(const std::vector<FakeRelay::Answer>& answers) {
    uint16_t port = 0;
    for (std::size_t i = 0; i < answers.size(); ++i) {
      auto relay = std::make_unique<FakeRelay>(PIPSocket::Address(127, 0, 0, static_cast<uint8_t>(2 + i)), port,
                                               answers[i]);
      ASSERT_TRUE(relay->IsBound());
      port = relay->GetPort();
      m_addresses.push_back(CString(("127.0.0." + std::to_string(2 + i)).c_str()));
      m_relays.push_back(std::move(relay));
    }
    m_port = port;
  }

  CRelayClient MakeClient() {
    CRelayClient::Settings s;
    s.serverPort = m_port;
    s.replyTimeoutMs = 150;
    auto addresses = m_addresses;
    s.resolve = [addresses](const CString&) { return addresses; };
    s.localAddresses = [] { return std::vector<CString>{"192.0.2.1", "192.0.2.2"}; };
    return CRelayClient(m_endpoint, s);
  }

  RecordingEndpoint m_endpoint;
  std::vector<std::unique_ptr<FakeRelay>> m_relays;
  std::vector<CString> m_addresses;
  uint16_t m_port = 0;
  CString m_server, m_token, m_check;
};

FakeRelay::Answer Silent() {
  return [](const std::string&) { return std::string(); };
}
FakeRelay::Answer Says(std::string text) {
  return [text](const std::string&) { return text; };
}

}  // namespace

TEST_F(RelayClientTest, GrqTriesEverySilentServerOnceAndTakesTheOneThatAccepts) {
  StartRelays({Silent(), Says("OK TRUE"), Silent()});
  CRelayClient client = MakeClient();
  ASSERT_TRUE(client.FindRelayServer(m_server, m_token, m_check));
  EXPECT_EQ(m_server, "127.0.0.3");
  EXPECT_EQ(m_endpoint.fastStartCalls, 1);
  EXPECT_FALSE(m_endpoint.fastStart);
  ASSERT_EQ(m_relays[1]->Requests().size(), 1u);
  EXPECT_EQ(m_relays[1]->Requests()[0], ("GRQ " + m_token + " " + m_check + " 192.0.2.1 192.0.2.2").GetString());
  for (auto& relay : m_relays) EXPECT_LE(relay->Requests().size(), 1u);
  EXPECT_EQ(m_token.GetLength(), 32);
}

TEST_F(RelayClientTest, GrqRefusedOrUnansweredClearsTheServerAndTurnsFastStartOn) {
  StartRelays({Silent(), Says("TRUE, but refused"), Silent()});
  CRelayClient client = MakeClient();
  m_server = "10.9.9.9";
  EXPECT_FALSE(client.FindRelayServer(m_server, m_token, m_check));
  EXPECT_TRUE(m_server.IsEmpty());
  EXPECT_TRUE(m_endpoint.fastStart);
  // The refusal answered, so the search stopped there; every silent server asked before it
  // was asked once.
  std::size_t asked = 0;
  for (auto& relay : m_relays) asked += relay->Requests().size();
  EXPECT_GE(asked, 1u);
  EXPECT_LE(asked, 3u);
}

TEST_F(RelayClientTest, AllSilentServersAreEachAskedOnce) {
  StartRelays({Silent(), Silent(), Silent()});
  CRelayClient client = MakeClient();
  EXPECT_FALSE(client.FindRelayServer(m_server, m_token, m_check));
  for (auto& relay : m_relays) EXPECT_EQ(relay->Requests().size(), 1u);
  EXPECT_TRUE(m_endpoint.fastStart);
}

TEST_F(RelayClientTest, UnresolvedRelayHostLeavesFastStartAlone) {
  CRelayClient client = MakeClient();  // no addresses
  m_server = "10.9.9.9";
  EXPECT_FALSE(client.FindRelayServer(m_server, m_token, m_check));
  EXPECT_TRUE(m_server.IsEmpty());
  EXPECT_EQ(m_endpoint.fastStartCalls, 0);
}

TEST_F(RelayClientTest, ArqGrantOpensThePathAndSetsTheRelay) {
  // The relay's media ports are two more sockets on 127.0.0.9 that count the hole punches.
  FakeRelay media(PIPSocket::Address(127, 0, 0, 9), 0, Silent());
  FakeRelay control(PIPSocket::Address(127, 0, 0, 9), 0, Silent());
  const std::string grant =
      "GRANT x 127.0.0.9 " + std::to_string(media.GetPort()) + " " + std::to_string(control.GetPort());
  StartRelays({Says(grant)});
  CRelayClient client = MakeClient();
  ASSERT_TRUE(client.RequestRelay("127.0.0.2", m_token, m_check));

  int p = client.GetLastLocalPort();
  EXPECT_EQ(p % 2, 0);
  EXPECT_GE(p, 1024);
  EXPECT_EQ(m_endpoint.rtpBase, static_cast<unsigned>(p));
  EXPECT_EQ(m_endpoint.rtpMax, static_cast<unsigned>(p));
  ASSERT_EQ(m_endpoint.relayCalls, 1);
  const unsigned expected[6] = {127, 0, 0, 9, media.GetPort(), control.GetPort()};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(m_endpoint.relay[i], expected[i]) << i;

  ASSERT_EQ(m_relays[0]->Requests().size(), 1u);
  EXPECT_EQ(m_relays[0]->Requests()[0], ("ARQ " + m_token + " " + m_check).GetString());
  // Three 16-byte punches from p to the RTP port and three from p + 1 to the RTCP port.
  for (int i = 0; i < 100 && (media.Requests().size() < 3 || control.Requests().size() < 3); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(media.Requests().size(), 3u);
  ASSERT_EQ(control.Requests().size(), 3u);
  for (const auto& d : media.Requests()) EXPECT_EQ(d, grant.substr(0, 16));
  for (uint16_t port : media.SourcePorts()) EXPECT_EQ(port, p);
  for (uint16_t port : control.SourcePorts()) EXPECT_EQ(port, p + 1);
}

TEST_F(RelayClientTest, ArqWithoutAUsableGrantSetsNothing) {
  struct Case {
    const char* name;
    FakeRelay::Answer answer;
    std::size_t requests;
  } cases[] = {
      {"silent", Silent(), 2},
      {"short", Says("OK 1 127.0.0.9"), 1},
      {"garbage", Says("\x01\x02\x03 \xff\xfe"), 1},
  };
  for (Case& c : cases) {
    m_relays.clear();
    m_addresses.clear();
    StartRelays({c.answer});
    CRelayClient client = MakeClient();
    EXPECT_FALSE(client.RequestRelay("127.0.0.2", m_token, m_check)) << c.name;
    EXPECT_EQ(m_relays[0]->Requests().size(), c.requests) << c.name;
    EXPECT_EQ(m_endpoint.relayCalls, 0) << c.name;
    EXPECT_EQ(m_endpoint.rtpBase, 0u) << c.name;
  }
}

// Anyone who can reach the client's port may answer first: a forged grant (here from the
// relay's own host, on another port) would send the call's media wherever it names, and a
// forged acceptance would take a silent server for a relay.
TEST_F(RelayClientTest, OnlyTheServerAskedIsHeard) {
  PUDPSocket forger;
  ASSERT_TRUE(forger.Listen(PIPSocket::Address(127, 0, 0, 2), 0));
  std::atomic<FakeRelay*> relay{nullptr};
  // Before its own answer the relay has the forger send one to the client's port (loopback
  // delivers it into the client's queue at once, so it comes first).
  auto forgeFirst = [&](std::string forged, std::string real) {
    return [&relay, &forger, forged, real](const std::string&) {
      const uint16_t client = relay.load()->SourcePorts().back();
      forger.WriteTo(forged.data(), static_cast<PINDEX>(forged.size()), PIPSocket::Address::GetLoopback(), client);
      return real;
    };
  };
  FakeRelay media(PIPSocket::Address(127, 0, 0, 9), 0, Silent());
  const std::string grant = "GRANT x 127.0.0.9 " + std::to_string(media.GetPort()) + " " +
                            std::to_string(media.GetPort() + 1);
  StartRelays({forgeFirst("GRANT x 127.0.0.66 4000 4001", grant)});
  relay = m_relays[0].get();
  CRelayClient client = MakeClient();
  ASSERT_TRUE(client.RequestRelay("127.0.0.2", m_token, m_check));
  EXPECT_EQ(m_endpoint.relay[3], 9u);
  EXPECT_EQ(m_endpoint.relay[4], media.GetPort());

  m_relays.clear();
  m_addresses.clear();
  StartRelays({forgeFirst("OK TRUE", "")});
  relay = m_relays[0].get();
  CRelayClient finder = MakeClient();
  EXPECT_FALSE(finder.FindRelayServer(m_server, m_token, m_check));
  EXPECT_TRUE(m_server.IsEmpty());
  m_relays.clear();  // their answers use the forger
}

TEST_F(RelayClientTest, DrqIsSentTwiceAndOnlyWhenAServerIsKnown) {
  StartRelays({Silent()});
  CRelayClient client = MakeClient();
  client.SendRelayRelease("", "T1");
  client.SendRelayRelease("127.0.0.2", "T2");
  for (int i = 0; i < 100 && m_relays[0]->Requests().size() < 2; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(m_relays[0]->Requests(), (std::vector<std::string>{"DRQ T2", "DRQ T2"}));
}
