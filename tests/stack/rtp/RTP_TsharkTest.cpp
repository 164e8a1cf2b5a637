// tshark, an independent decoder, reads what the media pump and the session put on the
// wire.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "stack/codec/H323_GSM0610Codec.h"
#include "stack/rtp/RTP_MediaPump.h"
#include "stack/rtp/RTP_UDP.h"
#include "tests/stack/codec/MemoryChannel.h"
#include "tests/stack/codec/Signals.h"
#include "tests/stack/rtp/WireCapture.h"

namespace {

using namespace std::chrono_literals;

std::string Shell(const std::string& command) {
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  if (p == nullptr) return out;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  pclose(p);
  return out;
}

// Writes the datagrams as a pcap of UDP packets from `srcPort` to `dstPort`, through od
// and text2pcap.
std::string WritePcap(const std::vector<std::vector<uint8_t>>& packets, uint16_t srcPort, uint16_t dstPort,
                      const std::string& name) {
  // A directory of its own: test processes run side by side.
  std::string pattern = ::testing::TempDir() + "varlo-rtp-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) return {};
  const std::string dir = pattern + "/";
  std::string dumps;
  for (size_t i = 0; i < packets.size(); ++i) {
    const std::string bin = dir + name + std::to_string(i) + ".bin";
    std::ofstream(bin, std::ios::binary).write(reinterpret_cast<const char*>(packets[i].data()),
                                               static_cast<std::streamsize>(packets[i].size()));
    dumps += " " + bin;
  }
  const std::string pcap = dir + name + ".pcap";
  const std::string cmd = "for f in" + dumps + "; do od -Ax -tx1 -v \"$f\"; done | text2pcap -q -u " +
                          std::to_string(srcPort) + "," + std::to_string(dstPort) + " - " + pcap + " 2>&1";
  Shell(cmd);
  for (size_t i = 0; i < packets.size(); ++i) std::remove((dir + name + std::to_string(i) + ".bin").c_str());
  return pcap;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

TEST(RTP_Tshark, MediaIsGsmPayloadType3WithConsistentHeaders) {
  WireCapture wire;
  RTP_UDP session(1);
  ASSERT_TRUE(session.Open(PIPSocket::Address::GetLoopback(), 0, 0));
  session.SetRemoteSocketInfo(PIPSocket::Address::GetLoopback(), wire.Port(), true);
  auto codec = std::make_unique<H323_GSM0610Codec>(H323Codec::Encoder);
  auto* mic = new MemoryChannel;
  mic->Feed(signals::Tone(1000, 8000, 160 * 40));
  codec->AttachChannel(mic);
  RTP_MediaPump pump(session, std::move(codec), RTP_MediaPump::Settings{});
  ASSERT_TRUE(pump.Start());
  for (int i = 0; i < 200 && pump.IsRunning(); ++i) std::this_thread::sleep_for(5ms);
  pump.Stop();
  std::this_thread::sleep_for(50ms);
  const auto packets = wire.Packets();
  ASSERT_EQ(packets.size(), 10u);

  const uint16_t port = 40000;
  const std::string pcap = WritePcap(packets, session.GetLocalDataPort(), port, "rtp");
  const std::string fields = Shell("tshark -r " + pcap + " -d udp.port==" + std::to_string(port) +
                                 ",rtp -T fields -E separator=, -e rtp.version -e rtp.p_type -e rtp.marker"
                                 " -e rtp.seq -e rtp.timestamp -e rtp.ssrc -e _ws.malformed 2>/dev/null");
  const auto lines = Lines(fields);
  ASSERT_EQ(lines.size(), packets.size()) << fields;
  unsigned long firstSeq = 0, firstTs = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    unsigned version = 0, type = 0, marker = 0;
    unsigned long seq = 0, ts = 0, ssrc = 0;
    char malformed[64] = {};
    const int n = std::sscanf(lines[i].c_str(), "%u,%u,%u,%lu,%lu,%lx,%63s", &version, &type, &marker, &seq, &ts,
                              &ssrc, malformed);
    ASSERT_GE(n, 6) << lines[i];
    EXPECT_EQ(n, 6) << "malformed: " << lines[i];
    EXPECT_EQ(version, 2u);
    EXPECT_EQ(type, 3u);
    EXPECT_EQ(marker, i == 0 ? 1u : 0u);
    EXPECT_EQ(ssrc, session.GetSyncSourceOut());
    if (i == 0) {
      firstSeq = seq;
      firstTs = ts;
    }
    EXPECT_EQ(seq, (firstSeq + i) % 65536);
    EXPECT_EQ(ts, (firstTs + 640 * i) % 4294967296ul);
  }
  // The RTP stream analysis finds no loss and the expected payload.
  const std::string streams = Shell("tshark -r " + pcap + " -q -d udp.port==" + std::to_string(port) +
                                  ",rtp -z rtp,streams 2>/dev/null");
  EXPECT_NE(streams.find("GSM"), std::string::npos) << streams;
  std::filesystem::remove_all(std::filesystem::path(pcap).parent_path());
}

TEST(RTP_Tshark, ReportsDecodeAsRtcp) {
  WireCapture wire;
  RTP_UDP session(1);
  ASSERT_TRUE(session.Open(PIPSocket::Address::GetLoopback(), 0, 0));
  session.SetRemoteSocketInfo(PIPSocket::Address::GetLoopback(), wire.Port(), true);
  session.SetRemoteSocketInfo(PIPSocket::Address::GetLoopback(), wire.Port(), false);
  RTP_DataFrame f(33);
  f.SetPayloadType(3);
  ASSERT_TRUE(session.WriteData(f));
  ASSERT_TRUE(session.SendReport());
  session.Close();  // a last report with BYE
  std::this_thread::sleep_for(100ms);
  auto packets = wire.Packets();
  ASSERT_EQ(packets.size(), 3u);
  packets.erase(packets.begin());  // the media packet

  const uint16_t port = 40001;
  const std::string pcap = WritePcap(packets, session.GetLocalControlPort(), port, "rtcp");
  const std::string fields = Shell("tshark -r " + pcap + " -d udp.port==" + std::to_string(port) +
                                 ",rtcp -T fields -E separator=, -e rtcp.pt -e rtcp.senderssrc -e rtcp.sdes.text"
                                 " -e _ws.malformed 2>/dev/null");
  const auto lines = Lines(fields);
  ASSERT_EQ(lines.size(), 2u) << fields;
  char ssrc[16];
  std::snprintf(ssrc, sizeof ssrc, "0x%08x", session.GetSyncSourceOut());
  EXPECT_EQ(lines[0].rfind("200,202,", 0), 0u) << lines[0];  // SR then SDES
  EXPECT_NE(lines[0].find(ssrc), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("203"), std::string::npos) << lines[1];  // BYE
  for (const auto& l : lines) EXPECT_EQ(l.find("alformed"), std::string::npos) << l;
  std::filesystem::remove_all(std::filesystem::path(pcap).parent_path());
}

}  // namespace
