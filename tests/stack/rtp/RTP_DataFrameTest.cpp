#include "stack/rtp/RTP_DataFrame.h"

#include <gtest/gtest.h>

#include "stack/rtp/RTP_ControlFrame.h"

namespace {

TEST(RTP_DataFrame, HeaderFieldsGoWhereRfc3550PutsThem) {
  RTP_DataFrame f(33);
  f.SetPayloadType(3);
  f.SetMarker(true);
  f.SetSequenceNumber(0xABCD);
  f.SetTimestamp(0x01020304);
  f.SetSyncSource(0xDEADBEEF);
  const uint8_t want[12] = {0x80, 0x83, 0xAB, 0xCD, 0x01, 0x02, 0x03, 0x04, 0xDE, 0xAD, 0xBE, 0xEF};
  ASSERT_EQ(f.GetPacketSize(), 45u);
  EXPECT_EQ(std::vector<uint8_t>(f.GetPointer(), f.GetPointer() + 12), std::vector<uint8_t>(want, want + 12));
  f.SetMarker(false);
  f.SetPayloadType(0x80 | 4);  // only 7 bits are kept
  EXPECT_EQ(f.GetPointer()[1], 0x04);

  RTP_DataFrame back;
  ASSERT_TRUE(back.SetPacket(f.GetPointer(), f.GetPacketSize()));
  EXPECT_EQ(back.GetSequenceNumber(), 0xABCD);
  EXPECT_EQ(back.GetTimestamp(), 0x01020304u);
  EXPECT_EQ(back.GetSyncSource(), 0xDEADBEEFu);
  EXPECT_EQ(back.GetPayloadType(), 4u);
  EXPECT_EQ(back.GetPayloadSize(), 33u);
}

TEST(RTP_DataFrame, ContributorsExtensionAndPaddingAreSkippedOrRefused) {
  // Header with 1 CSRC, a 1-word extension, 4 payload bytes and 3 bytes of padding.
  const std::vector<uint8_t> good = {0xB1, 0x03, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3,  // fixed, P+X+CC=1
                                     0x11, 0x22, 0x33, 0x44,                      // CSRC
                                     0xBE, 0xDE, 0, 1, 9, 9, 9, 9,                // extension
                                     'a', 'b', 'c', 'd', 0, 0, 3};                // payload, padding
  RTP_DataFrame f;
  ASSERT_TRUE(f.SetPacket(good.data(), static_cast<unsigned>(good.size())));
  EXPECT_EQ(f.GetHeaderSize(), 24u);
  EXPECT_EQ(f.GetPayloadSize(), 4u);
  EXPECT_EQ(f.GetContribSource(0), 0x11223344u);
  EXPECT_EQ(f.GetPayloadPtr()[0], 'a');

  struct Case { const char* what; std::vector<uint8_t> bytes; } bad[] = {
      {"too short", std::vector<uint8_t>(good.begin(), good.begin() + 11)},
      {"version 1", [&] { auto b = good; b[0] = 0x71; return b; }()},
      {"contributors past the end", [&] { auto b = good; b[0] = 0x8F; b.resize(20); return b; }()},
      {"extension past the end", [&] { auto b = good; b[19] = 200; return b; }()},
      {"zero padding count", [&] { auto b = good; b.back() = 0; return b; }()},
      {"padding past the header", [&] { auto b = good; b.back() = 9; return b; }()},
  };
  for (const auto& c : bad) {
    EXPECT_FALSE(f.SetPacket(c.bytes.data(), static_cast<unsigned>(c.bytes.size()))) << c.what;
    EXPECT_EQ(f.GetPayloadSize(), 0u) << c.what;
  }
}

TEST(RTP_ControlFrame, SenderReportRoundTripAndDamage) {
  RTP_SenderInfo sender{0x0102030405060708ull, 160000, 50, 1650};
  RTP_ReportBlock block;
  block.ssrc = 77;
  block.fractionLost = 64;
  block.cumulativeLost = -3;  // duplicates can make it negative
  block.highestSequence = 0x10005;
  block.jitter = 12;
  block.lastSenderReport = 0x03040506;
  block.delaySinceLastReport = 65536;
  const auto bytes = BuildControlPacket(99, &sender, {block}, "alice@host", true);
  EXPECT_EQ(bytes.size() % 4, 0u);
  RTP_ControlReport r;
  ASSERT_TRUE(ParseControlPacket(bytes.data(), bytes.size(), r));
  EXPECT_TRUE(r.isSenderReport);
  EXPECT_EQ(r.ssrc, 99u);
  EXPECT_EQ(r.sender.ntpTimestamp, sender.ntpTimestamp);
  EXPECT_EQ(r.sender.octetCount, 1650u);
  ASSERT_EQ(r.blocks.size(), 1u);
  EXPECT_EQ(r.blocks[0].cumulativeLost, -3);
  EXPECT_EQ(r.blocks[0].fractionLost, 64);
  EXPECT_EQ(r.blocks[0].highestSequence, 0x10005u);
  EXPECT_EQ(r.cname, "alice@host");
  EXPECT_TRUE(r.bye);

  const auto rr = BuildControlPacket(5, nullptr, {}, "b", false);
  ASSERT_TRUE(ParseControlPacket(rr.data(), rr.size(), r));
  EXPECT_FALSE(r.isSenderReport);
  EXPECT_FALSE(r.bye);

  auto truncated = bytes;
  truncated.resize(bytes.size() - 4);
  EXPECT_FALSE(ParseControlPacket(truncated.data(), truncated.size(), r));
  auto sdesFirst = std::vector<uint8_t>(rr.begin() + 8, rr.end());  // compound must start with a report
  EXPECT_FALSE(ParseControlPacket(sdesFirst.data(), sdesFirst.size(), r));
}

}  // namespace
