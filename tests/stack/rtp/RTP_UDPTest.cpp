#include "stack/rtp/RTP_UDP.h"

#include "stack/rtp/RTP_PortRange.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using Address = PIPSocket::Address;
using namespace std::chrono_literals;

const Address kLoopback = Address::GetLoopback();

// A free even port range of `pairs` pairs, found by the system.
uint16_t FreeRange(unsigned pairs) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    PUDPSocket probe;
    probe.Listen(kLoopback, 0);
    const uint16_t base = static_cast<uint16_t>((probe.GetPort() & ~1u));
    probe.Close();
    bool free = base > 1024 && base + 2 * pairs < 65535;
    std::vector<std::unique_ptr<PUDPSocket>> held;
    for (unsigned i = 0; free && i < 2 * pairs; ++i) {
      held.push_back(std::make_unique<PUDPSocket>());
      free = held.back()->Listen(kLoopback, static_cast<uint16_t>(base + i));
    }
    if (free) return base;
  }
  return 0;
}

TEST(RTP_UDP, PortPairsComeFromTheRangeEvenForDataOddForControl) {
  const uint16_t base = FreeRange(2);
  ASSERT_NE(base, 0);
  RTP_UDP a(1), b(1), c(1);
  ASSERT_TRUE(a.Open(kLoopback, base, static_cast<uint16_t>(base + 3)));
  ASSERT_TRUE(b.Open(kLoopback, base, static_cast<uint16_t>(base + 3)));
  EXPECT_EQ(a.GetLocalDataPort(), base);
  EXPECT_EQ(a.GetLocalControlPort(), base + 1);
  EXPECT_EQ(b.GetLocalDataPort(), base + 2);
  EXPECT_FALSE(c.Open(kLoopback, base, static_cast<uint16_t>(base + 3)));  // the range is used up
  a.Close();
  EXPECT_TRUE(c.Open(kLoopback, base, static_cast<uint16_t>(base + 3), static_cast<uint16_t>(base + 2)));
  EXPECT_EQ(c.GetLocalDataPort(), base);

  RTP_UDP any(1);
  ASSERT_TRUE(any.Open(kLoopback, 0, 0));
  EXPECT_EQ(any.GetLocalDataPort() % 2, 0);
  EXPECT_EQ(any.GetLocalControlPort(), any.GetLocalDataPort() + 1);
}

TEST(RTP_UDP, ThePortRangeHandsOutPairsInTurn) {
  const uint16_t base = FreeRange(3);
  ASSERT_NE(base, 0);
  RTP_PortRange range;
  range.SetPorts(base, static_cast<uint16_t>(base + 5));
  std::vector<uint16_t> ports;
  for (int call = 0; call < 4; ++call) {
    RTP_UDP session(1);
    ASSERT_TRUE(range.Open(session, kLoopback));
    ports.push_back(session.GetLocalDataPort());
  }  // each call ends before the next begins, yet the next pair is used
  EXPECT_EQ(ports, (std::vector<uint16_t>{base, static_cast<uint16_t>(base + 2), static_cast<uint16_t>(base + 4), base}));
}

TEST(RTP_UDP, PacketsCarrySequenceAndSourceAndForeignOrBrokenOnesAreIgnored) {
  RTP_UDP a(1), b(1);
  ASSERT_TRUE(a.Open(kLoopback, 0, 0));
  ASSERT_TRUE(b.Open(kLoopback, 0, 0));
  EXPECT_FALSE(a.SetRemoteSocketInfo(Address(), 5000, true));
  ASSERT_TRUE(a.SetRemoteSocketInfo(kLoopback, b.GetLocalDataPort(), true));
  ASSERT_TRUE(b.SetRemoteSocketInfo(kLoopback, a.GetLocalDataPort(), true));
  EXPECT_EQ(b.GetRemoteControlPort(), a.GetLocalControlPort());

  // A stranger on another loopback address, and a packet that is not RTP.
  PUDPSocket stranger;
  ASSERT_TRUE(stranger.Listen(Address(127, 0, 0, 2)));
  RTP_DataFrame foreign(4);
  stranger.WriteTo(foreign.GetPointer(), 16, kLoopback, b.GetLocalDataPort());
  PUDPSocket sameHost;
  ASSERT_TRUE(sameHost.Listen(kLoopback));
  sameHost.WriteTo("junk", 4, kLoopback, b.GetLocalDataPort());

  for (uint32_t i = 0; i < 3; ++i) {
    RTP_DataFrame f(33);
    f.SetPayloadType(3);
    f.SetTimestamp(160 * i);
    ASSERT_TRUE(a.WriteData(f));
  }
  uint16_t firstSeq = 0;
  for (uint32_t i = 0; i < 3; ++i) {
    RTP_DataFrame got;
    ASSERT_TRUE(b.ReadData(got, 2s));
    EXPECT_EQ(got.GetSyncSource(), a.GetSyncSourceOut());
    EXPECT_EQ(got.GetTimestamp(), 160 * i);
    if (i == 0) firstSeq = got.GetSequenceNumber();
    EXPECT_EQ(got.GetSequenceNumber(), static_cast<uint16_t>(firstSeq + i));
  }
  const auto stats = b.GetStatistics();
  EXPECT_EQ(stats.packetsReceived, 3u);
  EXPECT_EQ(stats.packetsMalformed, 1u);
  EXPECT_EQ(stats.packetsLost, 0u);
  RTP_DataFrame none;
  EXPECT_FALSE(b.ReadData(none, 20ms));
}

TEST(RTP_UDP, ReportsTellThePeerWhatArrived) {
  RTP_UDP a(1), b(1);
  ASSERT_TRUE(a.Open(kLoopback, 0, 0));
  ASSERT_TRUE(b.Open(kLoopback, 0, 0));
  a.SetRemoteSocketInfo(kLoopback, b.GetLocalDataPort(), true);
  b.SetRemoteSocketInfo(kLoopback, a.GetLocalDataPort(), true);
  PUDPSocket sink;  // packet 2 goes astray
  ASSERT_TRUE(sink.Listen(kLoopback));
  for (int i = 0; i < 5; ++i) {
    RTP_DataFrame f(33);
    f.SetTimestamp(160u * i);
    a.SetRemoteSocketInfo(kLoopback, i == 2 ? sink.GetPort() : b.GetLocalDataPort(), true);
    ASSERT_TRUE(a.WriteData(f));
  }
  RTP_DataFrame got;
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(b.ReadData(got, 2s));
  EXPECT_EQ(b.GetStatistics().packetsLost, 1u);
  ASSERT_TRUE(b.SendReport());
  ASSERT_TRUE(a.SendReport());
  // Reports are taken in while waiting for media.
  EXPECT_FALSE(a.ReadData(got, 200ms));
  const auto s = a.GetStatistics();
  EXPECT_EQ(s.reportsReceived, 1u);
  EXPECT_EQ(s.lastReportAboutUs.ssrc, a.GetSyncSourceOut());
  EXPECT_EQ(s.lastReportAboutUs.cumulativeLost, 1);
  EXPECT_EQ(s.lastReportAboutUs.fractionLost, 51);  // 1 of 5 in Q8
}

// The system notes arrival times once a socket asks for it, a moment after the first one
// asks: a datagram read well after it came in then shows its age.
bool SystemNotesArrivalTimes(PUDPSocket& probe) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    probe.WriteTo("x", 1, kLoopback, probe.GetPort());
    std::this_thread::sleep_for(10ms);
    char byte = 0;
    Address from;
    uint16_t port = 0;
    int64_t arrival = 0;
    if (!probe.ReadFrom(&byte, 1, from, port, arrival)) continue;
    const int64_t now = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
    if (arrival != 0 && now - arrival >= 5000) return true;
  }
  return false;
}

TEST(RTP_UDP, PacketsReadLaterKeepTheTimeTheyArrived) {
  PUDPSocket probe;
  ASSERT_TRUE(probe.Listen(kLoopback));
  ASSERT_TRUE(probe.SetArrivalTimes(true));
  probe.SetReadTimeout(2s);
  ASSERT_TRUE(SystemNotesArrivalTimes(probe));
  RTP_UDP a(1), b(1);
  ASSERT_TRUE(a.Open(kLoopback, 0, 0));
  ASSERT_TRUE(b.Open(kLoopback, 0, 0));
  a.SetRemoteSocketInfo(kLoopback, b.GetLocalDataPort(), true);
  b.SetRemoteSocketInfo(kLoopback, a.GetLocalDataPort(), true);
  // Four packets of one moment arrive together; read 30 ms apart, they would look like
  // a jitter of many milliseconds if the read were taken for the arrival.
  for (int i = 0; i < 4; ++i) {
    RTP_DataFrame f(33);
    f.SetTimestamp(1000);
    ASSERT_TRUE(a.WriteData(f));
  }
  RTP_DataFrame got;
  ASSERT_TRUE(b.ReadData(got, 2s));
  for (int i = 1; i < 4; ++i) {
    std::this_thread::sleep_for(30ms);
    ASSERT_TRUE(b.ReadData(got, PTimeInterval(0))) << i;  // there already: no wait needed
  }
  EXPECT_FALSE(b.ReadData(got, PTimeInterval(0)));
  const auto stats = b.GetStatistics();
  EXPECT_EQ(stats.packetsReceived, 4u);
  EXPECT_LT(stats.jitter, 8u);  // under a millisecond; 30 ms apart would give over 40
}

TEST(RTP_UDP, CloseWakesABlockedReader) {
  RTP_UDP a(1);
  ASSERT_TRUE(a.Open(kLoopback, 0, 0));
  std::thread closer([&] {
    std::this_thread::sleep_for(50ms);
    a.Close();
  });
  RTP_DataFrame f;
  EXPECT_FALSE(a.ReadData(f, PMaxTimeInterval));
  closer.join();
  EXPECT_FALSE(a.IsOpen());
}

}  // namespace
