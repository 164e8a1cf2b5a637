// What the gatekeeper client really sends (not a sample built for the test) decodes
// cleanly in tshark and in erlang's codec, to the value it was built as.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "ErlangOracle.h"
#include "ScriptedGatekeeper.h"
#include "Tshark.h"
#include "stack/ras/H323Gatekeeper.h"

using namespace std::chrono_literals;
using ras::RasAddress;

namespace {

// Registers with a password, is asked for its information, calls, hangs up and leaves.
std::vector<std::vector<uint8_t>> ClientTraffic(ScriptedGatekeeper& gk) {
  ras::GatekeeperSettings s;
  s.aliases = {"03KOVA/alice"};
  s.password = "secret";
  s.callSignalAddress = RasAddress{0x7F000001, 1721};
  s.timeToLive = 60;
  s.timing.timeout = 300ms;
  H323Gatekeeper client(s);
  EXPECT_TRUE(client.Open(RasAddress{0x7F000001, 0}));
  EXPECT_TRUE(client.DiscoverAndRegister(gk.Address()));
  H225_RasMessage irq;
  irq.infoRequest().m_requestSeqNum = 77;
  gk.Send(irq, gk.LastSender());
  EXPECT_TRUE(gk.WaitForCount(3, 1s));
  ras::AdmissionParams call;
  call.callReference = 5;
  call.conferenceId = std::string(16, '\x0A');
  call.callId = std::string(16, '\x0B');
  call.destinationDigits = {"8613800138000"};
  EXPECT_EQ(client.AdmissionRequest(call), H225_RAS::Result::kConfirmed);
  ras::DisengageParams end{false, 5, call.conferenceId, call.callId};
  EXPECT_EQ(client.DisengageRequest(end), H225_RAS::Result::kConfirmed);
  EXPECT_TRUE(client.Unregister());
  return gk.ReceivedOctets();
}

TEST(GatekeeperClientMessages, DecodeCleanlyInTsharkAndErlang) {
  ScriptedGatekeeper gk(60);
  auto octets = ClientTraffic(gk);
  auto messages = gk.Received();
  // GRQ, RRQ, IRR, ARQ, DRQ, URQ, as tshark numbers the RasMessage alternatives.
  const std::vector<std::string> expected = {"0", "3", "22", "9", "15", "6"};
  ASSERT_EQ(octets.size(), expected.size());

  std::string why;
  bool erlang = testing_tools::ErlangOracle::Available(&why);
  std::vector<std::string> requests;
  for (const auto& o : octets) requests.push_back("decode RasMessage " + testing_tools::ToHex(o));
  auto decoded = erlang ? testing_tools::ErlangOracle::Run(requests)
                        : std::vector<testing_tools::OracleReply>{};
  for (size_t i = 0; i < octets.size(); ++i) {
    SCOPED_TRACE("message " + std::to_string(i));
    if (testing_tools::TsharkAvailable()) {
      auto t = testing_tools::TsharkDecode(octets[i], testing_tools::Transport::kUdp, 1719, 1719,
                                           {"h225.RasMessage", "h225.requestSeqNum", "h225.h323_ID"});
      ASSERT_EQ(t.error, "");
      EXPECT_FALSE(t.malformed);
      EXPECT_TRUE(t.expert.empty());
      EXPECT_EQ(t.Get("h225.RasMessage"), expected[i]);
      EXPECT_EQ(t.Get("h225.requestSeqNum"), std::to_string(ras::GetSequenceNumber(messages[i])));
    }
    if (erlang) {
      ASSERT_TRUE(decoded[i].ok) << decoded[i].text;
      EXPECT_EQ(decoded[i].text, messages[i].ToJson());
    }
  }
}

}  // namespace
