#include <gtest/gtest.h>

#include <array>
#include <random>

#include "codec/g7231/Bitstream.h"
#include "codec/g7231/State.h"

namespace g7231 {
namespace {

using Bytes = std::array<unsigned char, 24>;

class BitstreamTest : public testing::Test {
 protected:
  void SetUp() override { WrkRate = Rate63; }
  void TearDown() override { WrkRate = Rate63; }
};

// A speech record with every field drawn inside its range for the rate.
LINEDEF RandomSpeech(std::mt19937& rng, Crate rate) {
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  LINEDEF l;
  l.LspId = pick(0, 0xFFFFFF);
  l.Olp[0] = static_cast<Word16>(pick(18, 141));
  l.Olp[1] = static_cast<Word16>(pick(18, 141));
  for (int i = 0; i < 4; ++i) {
    SFSDEF& s = l.Sfs[i];
    const bool shortLag = l.Olp[i / 2] < 58;
    s.AcL = static_cast<Word16>((i & 1) ? pick(0, 3) : 1);
    s.Mamp = static_cast<Word16>(pick(0, 23));
    s.Grid = static_cast<Word16>(pick(0, 1));
    if (rate == Rate63) {
      s.AcG = static_cast<Word16>(pick(0, shortLag ? 84 : 169));
      s.Tran = static_cast<Word16>(shortLag ? pick(0, 1) : 0);
      s.Pamp = static_cast<Word16>(pick(0, (i & 1) ? 31 : 63));
      s.Ppos = pick(0, (i & 1) ? 142505 : 593774);
    } else {
      s.AcG = static_cast<Word16>(pick(0, 169));
      s.Pamp = static_cast<Word16>(pick(0, 15));
      s.Ppos = pick(0, 4095);
    }
  }
  return l;
}

void ExpectSameSpeech(const LINEDEF& a, const LINEDEF& b) {
  EXPECT_EQ(b.Crc, 0);
  EXPECT_EQ(a.LspId, b.LspId);
  EXPECT_EQ(a.Olp[0], b.Olp[0]);
  EXPECT_EQ(a.Olp[1], b.Olp[1]);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(a.Sfs[i].AcL, b.Sfs[i].AcL) << i;
    EXPECT_EQ(a.Sfs[i].AcG, b.Sfs[i].AcG) << i;
    EXPECT_EQ(a.Sfs[i].Mamp, b.Sfs[i].Mamp) << i;
    EXPECT_EQ(a.Sfs[i].Grid, b.Sfs[i].Grid) << i;
    EXPECT_EQ(a.Sfs[i].Tran, b.Sfs[i].Tran) << i;
    EXPECT_EQ(a.Sfs[i].Pamp, b.Sfs[i].Pamp) << i;
    EXPECT_EQ(a.Sfs[i].Ppos, b.Sfs[i].Ppos) << i;
  }
}

TEST_F(BitstreamTest, SpeechFramesRoundTripAtBothRates) {
  std::mt19937 rng(7);
  for (Crate rate : {Rate63, Rate53}) {
    const std::size_t len = rate == Rate63 ? 24 : 20;
    for (int n = 0; n < 300; ++n) {
      const LINEDEF in = RandomSpeech(rng, rate);
      Bytes bytes;
      bytes.fill(0xAA);
      Line_Pack(&in, bytes.data(), kFtypSpeech, rate);
      ASSERT_EQ(FrameLength(bytes[0]), len);
      for (std::size_t i = len; i < 24; ++i) ASSERT_EQ(bytes[i], 0) << "byte " << i << " past the frame";
      Word16 ftyp = -1;
      const LINEDEF out = Line_Unpk(bytes.data(), &ftyp, 0);
      ASSERT_EQ(ftyp, kFtypSpeech);
      ExpectSameSpeech(in, out);
      EXPECT_EQ(WrkRate.load(), rate);
      // And the bits come back the same.
      Bytes again;
      Line_Pack(&out, again.data(), kFtypSpeech, rate);
      ASSERT_EQ(again, bytes);
      if (HasFailure()) return;
    }
  }
}

TEST_F(BitstreamTest, SidAndUntransmittedFramesRoundTrip) {
  LINEDEF sid;
  sid.LspId = 0xA5C3E1;
  sid.Sfs[0].Mamp = 45;
  Bytes b;
  Line_Pack(&sid, b.data(), kFtypSid, Rate53);
  EXPECT_EQ(FrameLength(b[0]), 4u);
  EXPECT_EQ(b[0] & 3, 2);
  Word16 ftyp = -1;
  LINEDEF out = Line_Unpk(b.data(), &ftyp, 0);
  EXPECT_EQ(ftyp, kFtypSid);
  EXPECT_EQ(out.LspId, sid.LspId);
  EXPECT_EQ(out.Sfs[0].Mamp, 45);
  EXPECT_EQ(WrkRate.load(), Rate63) << "a SID frame leaves the working rate";

  LINEDEF zero;
  Line_Pack(&zero, b.data(), kFtypSid, Rate63);
  EXPECT_EQ((Bytes{0x02, 0, 0, 0}), b);

  Bytes u;
  u.fill(0x55);
  Line_Pack(&sid, u.data(), kFtypUntransmitted, Rate63);
  EXPECT_EQ((Bytes{0x03}), u);
  out = Line_Unpk(u.data(), &ftyp, 0);
  EXPECT_EQ(ftyp, kFtypUntransmitted);
  EXPECT_EQ(FrameLength(u[0]), 1u);
}

TEST_F(BitstreamTest, KnownLayoutOfTheFirstFields) {
  LINEDEF l;
  l.LspId = 0x123456;
  l.Olp[0] = 18 + 0x55;
  l.Olp[1] = 18;
  l.Sfs[1].AcL = 2;
  Bytes b;
  Line_Pack(&l, b.data(), kFtypSpeech, Rate53);
  // type 01, then LspId from its low bit, then the first lag code.
  EXPECT_EQ(b[0], 0x01 | ((0x56 << 2) & 0xFF));
  EXPECT_EQ(b[1], ((0x56 >> 6) | (0x34 << 2)) & 0xFF);
  EXPECT_EQ(b[2], ((0x34 >> 6) | (0x12 << 2)) & 0xFF);
  EXPECT_EQ(b[3], (0x12 >> 6) | ((0x55 << 2) & 0xFC));
  EXPECT_EQ(b[4] & 0x7, (0x55 >> 6) | (2 << 1));
}

TEST_F(BitstreamTest, ForbiddenCodesMarkTheFrameErased) {
  LINEDEF l;
  l.Olp[0] = 57;
  l.Olp[1] = 100;
  for (SFSDEF& s : l.Sfs) s.AcL = 1;
  Bytes b;
  Line_Pack(&l, b.data(), kFtypSpeech, Rate63);
  Word16 ftyp = 0;

  struct Case {
    const char* what;
    Word16 olp0;
    Word32 gain0;  // raw 12-bit combined gain of subframe 0
    Word16 crc;
    Word16 acg, mamp, tran;
  };
  const Case cases[] = {
      {"2047 at lag 57: bit 11 clear, AcG 85 of 85", 57, 2047, 1, 0, 0, 0},
      {"2047 at lag 58: AcG 85 of 170", 58, 2047, 0, 85, 7, 0},
      {"4095 at lag 57: Tran set, AcG 85 again", 57, 4095, 1, 0, 0, 0},
      {"2043 at lag 57: last valid", 57, 84 * 24 + 11, 0, 84, 11, 0},
      {"2048+5 at lag 57: Tran 1", 57, 2048 + 5, 0, 0, 5, 1},
  };
  for (const Case& c : cases) {
    Bytes f = b;
    // Lag code of the first half at bits 26..32; gain of subframe 0 at bits 44..55.
    const int lag = c.olp0 - 18;
    for (int i = 0; i < 7; ++i) {
      const int bit = 26 + i;
      f[bit / 8] = static_cast<unsigned char>((f[bit / 8] & ~(1 << (bit % 8))) | (((lag >> i) & 1) << (bit % 8)));
    }
    for (int i = 0; i < 12; ++i) {
      const int bit = 44 + i;
      f[bit / 8] = static_cast<unsigned char>((f[bit / 8] & ~(1 << (bit % 8))) | (((c.gain0 >> i) & 1) << (bit % 8)));
    }
    const LINEDEF out = Line_Unpk(f.data(), &ftyp, 0);
    EXPECT_EQ(out.Crc, c.crc) << c.what;
    if (c.crc == 0) {
      EXPECT_EQ(out.Sfs[0].AcG, c.acg) << c.what;
      EXPECT_EQ(out.Sfs[0].Mamp, c.mamp) << c.what;
      EXPECT_EQ(out.Sfs[0].Tran, c.tran) << c.what;
    }
  }

  // A lag code of 124 erases the frame, but the rate has been taken already.
  WrkRate = Rate53;
  Bytes f{};
  f[3] = static_cast<unsigned char>((124 & 0x3F) << 2);
  f[4] = static_cast<unsigned char>(124 >> 6);
  const LINEDEF out = Line_Unpk(f.data(), &ftyp, 0);
  EXPECT_EQ(out.Crc, 1);
  EXPECT_EQ(ftyp, kFtypSpeech);
  EXPECT_EQ(WrkRate.load(), Rate63);
}

TEST_F(BitstreamTest, ErasureFlagSkipsTheInput) {
  WrkRate = Rate53;
  Bytes b{};  // a 6.3 kbit/s frame, which would switch the rate if read
  Word16 ftyp = 7;
  const LINEDEF out = Line_Unpk(b.data(), &ftyp, 1);
  EXPECT_EQ(out.Crc, 1);
  EXPECT_EQ(WrkRate.load(), Rate53);
}

}  // namespace
}  // namespace g7231
