// The test relay against the engine's relay client: a relay that answers is found, grants
// a port pair whose first leg is the client's hole-punching port and records the release;
// one that refuses, stays silent or answers with garbage is not used.

#include <gtest/gtest.h>

#include "TestRelay.h"
#include "engine/RelayClient.h"

namespace {

using namespace std::chrono_literals;
using service::TestRelay;

struct RecordingEndpoint : RelayEndpoint {
  std::vector<bool> fastStart;
  unsigned rtpBase = 0;
  std::vector<std::vector<unsigned>> relays;
  void SetFastStart(bool enabled) override { fastStart.push_back(enabled); }
  void SetRtpIpPorts(unsigned base, unsigned) override { rtpBase = base; }
  void SetMediaRelay(unsigned a, unsigned b, unsigned c, unsigned d, unsigned rtp, unsigned rtcp) override {
    relays.push_back({a, b, c, d, rtp, rtcp});
  }
};

class RelayServiceTest : public ::testing::Test {
 protected:
  CRelayClient Client() {
    CRelayClient::Settings s;
    s.serverPort = relay.ControlPort();
    s.replyTimeoutMs = 300;
    s.resolve = [](const CString&) { return std::vector<CString>{"127.0.0.1"}; };
    s.localAddresses = [] { return std::vector<CString>{"127.0.0.1"}; };
    return CRelayClient(endpoint, s);
  }
  TestRelay relay;
  RecordingEndpoint endpoint;
  CString server, token, check;
};

TEST_F(RelayServiceTest, AnAnsweringRelayIsFoundGrantsAPairThroughTheClientsPortAndIsReleased) {
  CRelayClient client = Client();
  ASSERT_TRUE(client.FindRelayServer(server, token, check));
  EXPECT_EQ(server, "127.0.0.1");
  EXPECT_EQ(endpoint.fastStart, std::vector<bool>{false});

  ASSERT_TRUE(client.RequestRelay(server, token, check));
  const auto grants = relay.Grants();
  ASSERT_EQ(grants.size(), 1u);
  ASSERT_EQ(endpoint.relays.size(), 1u);
  EXPECT_EQ(endpoint.relays[0],
            (std::vector<unsigned>{127, 0, 0, 1, grants[0].first, grants[0].second}));
  EXPECT_EQ(endpoint.rtpBase, static_cast<unsigned>(client.GetLastLocalPort()));
  // The hole-punching datagrams made the client's local port the pair's first leg.
  for (int i = 0; i < 100 && relay.RtpTraffic(0).firstLegPort == 0; ++i) std::this_thread::sleep_for(10ms);
  EXPECT_EQ(relay.RtpTraffic(0).firstLegPort, client.GetLastLocalPort());

  const CString arqToken = token;
  client.SendRelayRelease(server, token);
  ASSERT_TRUE(relay.WaitForRequests("DRQ", 2, 2s));
  const auto requests = relay.Requests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].kind, "GRQ");
  EXPECT_TRUE(requests[0].checkValid);
  EXPECT_EQ(requests[0].addresses, std::vector<std::string>{"127.0.0.1"});
  EXPECT_EQ(requests[1].kind, "ARQ");
  EXPECT_TRUE(requests[1].checkValid);
  EXPECT_EQ(requests[1].token, static_cast<const char*>(arqToken));
  EXPECT_EQ(requests[3].token, static_cast<const char*>(arqToken));
}

TEST_F(RelayServiceTest, ARelayThatRefusesIsSilentOrAnswersGarbageIsNotUsed) {
  for (auto mode : {TestRelay::GrqMode::kRefuse, TestRelay::GrqMode::kSilent, TestRelay::GrqMode::kMalformed}) {
    relay.SetGrqMode(mode);
    endpoint.fastStart.clear();
    server = "127.0.0.9";
    CRelayClient client = Client();
    EXPECT_FALSE(client.FindRelayServer(server, token, check)) << int(mode);
    EXPECT_EQ(server, "");
    EXPECT_EQ(endpoint.fastStart, std::vector<bool>{true});
  }
  EXPECT_EQ(relay.CountOf("GRQ"), 3u);
}

TEST_F(RelayServiceTest, AnArqLeftUnansweredOrAnsweredWithGarbageGrantsNothing) {
  for (auto mode : {TestRelay::ArqMode::kSilent, TestRelay::ArqMode::kMalformed}) {
    relay.SetArqMode(mode);
    CRelayClient client = Client();
    ASSERT_TRUE(client.FindRelayServer(server, token, check));
    EXPECT_FALSE(client.RequestRelay(server, token, check)) << int(mode);
  }
  EXPECT_TRUE(endpoint.relays.empty());
  EXPECT_TRUE(relay.Grants().empty());
  EXPECT_EQ(relay.CountOf("ARQ"), 2u + 1u);  // two tries when silent, one garbage reply
}

}  // namespace
