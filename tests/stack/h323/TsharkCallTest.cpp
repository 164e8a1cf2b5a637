// tshark, an independent decoder, reads a whole call as this stack put it on the wire:
// the call signalling (relayed through a tap) with tunnelled H.245, the H.450.4 hold and
// retrieve notifications and a key tone, and the RTP of the audio.  No packet may be
// malformed, and the decoded values must be the ones sent.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "AlsaFixture.h"
#include "AudioEndPoint.h"
#include "SignalTap.h"
#include "stack/asn/H245.h"
#include "tests/stack/codec/Signals.h"
#include "tests/stack/rtp/WireCapture.h"

namespace h323test {
namespace {

std::string Shell(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  std::array<char, 4096> buf{};
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) out.append(buf.data(), n);
  pclose(pipe);
  return out;
}

// text2pcap input: each packet as offset lines, preceded by its direction.
std::string HexDump(const std::vector<uint8_t>& bytes, char direction) {
  std::string out;
  char line[24];
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i % 16 == 0) {
      if (i) out += '\n';
      if (direction && i == 0) out += std::string(1, direction) + " ";
      snprintf(line, sizeof line, "%06zx", i);
      out += line;
    }
    snprintf(line, sizeof line, " %02x", bytes[i]);
    out += line;
  }
  return out + "\n";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

class RtpTee : public H323_RTP_UDP {
 public:
  RtpTee(H323Connection& connection, unsigned id, uint16_t sendTo) : H323_RTP_UDP(connection, id), m_sendTo(sendTo) {}
  bool OnReceivedAckPDU(H323_RTPChannel& channel, const H245_H2250LogicalChannelAckParameters& param) override {
    return H323_RTP_UDP::OnReceivedAckPDU(channel, param) &&
           rtp.SetRemoteSocketInfo(PIPSocket::Address::GetLoopback(), m_sendTo, true);
  }

 private:
  uint16_t m_sendTo;
};

class TeeEndPoint : public AudioEndPoint {
 public:
  ~TeeEndPoint() override { Quiesce(); }
  explicit TeeEndPoint(uint16_t sendTo) : AudioEndPoint("alice", "varlo_in_a", "varlo_out_a"), m_sendTo(sendTo) {}
  H323_RTP_UDP* CreateRTPSession(H323Connection& connection, unsigned id) override {
    return new RtpTee(connection, id, m_sendTo);
  }

 private:
  uint16_t m_sendTo;
};

TEST(TsharkCall, CapturedCallDecodesWithoutMalformedPackets) {
  if (system("command -v tshark >/dev/null 2>&1 && command -v text2pcap >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "tshark / text2pcap not installed";
  char pattern[] = "/tmp/h323-tshark-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;

  AlsaFixture& alsa = AlsaFixture::Get();
  alsa.SetCapture("varlo_in_a", signals::Tone(1000, 8000, 5 * 8000));
  alsa.SetCapture("varlo_in_b", signals::Tone(1000, 8000, 5 * 8000));
  WireCapture rtp;
  TeeEndPoint a(rtp.Port());
  AudioEndPoint b("bob", "varlo_in_b", "varlo_out_b");
  a.DisableFastStart(true);
  b.DisableFastStart(true);
  SignalTap tap;
  const PString bAddress = b.Listen();
  PString token;
  ASSERT_NE(a.MakeCall(tap.Start(*TcpAddress::Parse(bAddress.view(), 0)), token), nullptr);
  ASSERT_TRUE(a.WaitEstablished());
  ASSERT_TRUE(WaitChannels(a, token, 2));
  ASSERT_TRUE(a.events.WaitFor([&] { return rtp.Packets().size() >= 5; }));
  H323Connection* c = a.FindConnectionWithLock(token);
  ASSERT_NE(c, nullptr);
  c->SendUserInputTone('7');
  EXPECT_TRUE(c->HoldCall());
  EXPECT_TRUE(c->RetrieveCall());
  c->Unlock();
  ASSERT_TRUE(b.events.WaitFor([&] { return b.userInput == "7"; }));
  a.ClearCallSynchronous(token);
  ASSERT_TRUE(b.WaitAnyCleared().has_value());

  // Call signalling, both directions, on TCP port 1720 where tshark looks for it.
  std::string dump;
  for (const auto& p : tap.Packets()) dump += HexDump(p.bytes, p.fromCaller ? 'O' : 'I');
  std::ofstream(dir + "/signal.txt") << dump;
  Shell("text2pcap -q -D -T 50000,1720 " + dir + "/signal.txt " + dir + "/signal.pcap 2>/dev/null");
  const auto rows = Lines(Shell("tshark -r " + dir +
                                "/signal.pcap -T fields -E separator=/t -E occurrence=a -E aggregator=, "
                                "-e q931.message_type -e h225.h323_message_body -e h245.pdu_type "
                                "-e h450.ros.local -e _ws.malformed -e _ws.expert.severity 2>/dev/null"));
  ASSERT_EQ(rows.size(), tap.Packets().size());
  std::multiset<std::string> q931, h245, h450;
  for (const auto& row : rows) {
    std::vector<std::string> cells;
    std::istringstream in(row);
    std::string cell;
    while (std::getline(in, cell, '\t')) cells.push_back(cell);
    cells.resize(6);
    q931.insert(cells[0]);
    if (!cells[2].empty()) h245.insert(cells[2]);
    if (!cells[3].empty()) h450.insert(cells[3]);
    EXPECT_TRUE(cells[4].empty()) << "malformed: " << row;
    EXPECT_EQ(cells[5].find("8388608"), std::string::npos) << "decoder error: " << row;  // PI_ERROR
  }
  // Setup, Call Proceeding, Alerting, Connect, Facility and Release Complete all seen.
  for (const char* type : {"0x05", "0x02", "0x01", "0x07", "0x62", "0x5a"})
    EXPECT_GT(q931.count(type), 0u) << "no Q.931 message " << type;
  EXPECT_GT(h245.size(), 6u) << "tunnelled H.245 not decoded";
  EXPECT_EQ(h450.count("101"), 1u) << "holdNotific";
  EXPECT_EQ(h450.count("102"), 1u) << "retrieveNotific";

  // The audio that A sent, as RTP on the UDP port it went to.
  dump.clear();
  for (const auto& p : rtp.Packets()) dump += HexDump(p, 0);
  std::ofstream(dir + "/rtp.txt") << dump;
  Shell("text2pcap -q -u 40000," + std::to_string(rtp.Port()) + " " + dir + "/rtp.txt " + dir + "/rtp.pcap 2>/dev/null");
  const auto rtpRows = Lines(Shell("tshark -r " + dir + "/rtp.pcap -d udp.port==" + std::to_string(rtp.Port()) +
                                   ",rtp -T fields -e rtp.p_type -e _ws.malformed 2>/dev/null"));
  ASSERT_GE(rtpRows.size(), 5u);
  for (const auto& row : rtpRows) EXPECT_EQ(row, "3\t") << row;
  Shell("rm -rf " + dir);
}

}  // namespace
}  // namespace h323test
