// Frame-level behaviour through the encoder and decoder objects: frame lengths, the shared
// working rate, short frames, silence compression, concealment and taming.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

#include "codec/g7231/Bitstream.h"
#include "codec/g7231/G7231Decoder.h"
#include "codec/g7231/G7231Encoder.h"
#include "codec/g7231/State.h"
#include "codec/g7231/Tables.h"
#include "tests/codec/g7231/Audio.h"

namespace g7231 {
namespace {

using g7231test::LevelDb;
using g7231test::Samples;

class CodecTest : public testing::Test {
 protected:
  void SetUp() override { WrkRate = Rate63; }
  void TearDown() override { WrkRate = Rate63; }
};

Samples Tone(double hz, double amplitude, std::size_t frames) {
  Samples s(frames * 240);
  for (std::size_t i = 0; i < s.size(); ++i)
    s[i] = static_cast<std::int16_t>(std::lround(amplitude * std::sin(2 * M_PI * hz * i / 8000.0)));
  return s;
}

Samples Noise(double rms, std::size_t frames, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> d(0, rms);
  Samples s(frames * 240);
  for (auto& x : s) x = static_cast<std::int16_t>(std::clamp(d(rng), -32768.0, 32767.0));
  return s;
}

TEST_F(CodecTest, FreshEncoderCodesThreeActiveFramesThenSilence) {
  struct Case {
    const char* what;
    Samples in;
    std::vector<std::size_t> lengths;
  };
  const Case cases[] = {
      // Digital silence never matches the last SID filter (its distance and its limit are
      // both 0), so every silent frame carries a SID.
      {"zeros", Samples(10 * 240, 0), {24, 24, 24, 4, 4, 4, 4, 4, 4, 4}},
      {"low noise", Noise(30, 10, 1), {24, 24, 24, 4, 1, 1, 1, 1, 1, 1}},
  };
  for (const Case& c : cases) {
    G7231Encoder enc;
    std::uint8_t out[24];
    std::vector<std::size_t> lengths;
    for (std::size_t f = 0; f < 10; ++f) lengths.push_back(enc.Encode(&c.in[f * 240], out));
    EXPECT_EQ(lengths, c.lengths) << c.what;
  }
}

TEST_F(CodecTest, EncoderSendsAtTheRateOfTheLastSpeechFrameReceived) {
  const Samples tone = Tone(300, 8000, 1);
  G7231Encoder enc;
  std::uint8_t out[24];
  EXPECT_EQ(enc.Encode(tone.data(), out), 24u);

  // The decoder receives one 5.3 kbit/s frame: the encoder follows.
  LINEDEF l;
  l.Olp[0] = l.Olp[1] = 60;
  for (SFSDEF& s : l.Sfs) s.AcL = 1;
  std::uint8_t frame53[24];
  Line_Pack(&l, frame53, kFtypSpeech, Rate53);
  G7231Decoder dec;
  std::int16_t pcm[240];
  EXPECT_EQ(dec.Decode(frame53, 20, pcm), 20u);
  EXPECT_EQ(enc.Encode(tone.data(), out), 20u);
  EXPECT_EQ(out[0] & 3, 1);

  // SID and untransmitted frames do not change it; a 6.3 kbit/s frame does.
  const std::uint8_t untransmitted[1] = {3};
  dec.Decode(untransmitted, 1, pcm);
  EXPECT_EQ(enc.Encode(tone.data(), out), 20u);
  std::uint8_t frame63[24];
  Line_Pack(&l, frame63, kFtypSpeech, Rate63);
  dec.Decode(frame63, 24, pcm);
  EXPECT_EQ(enc.Encode(tone.data(), out), 24u);
}

TEST_F(CodecTest, DecoderReadsOnlyTheBytesItIsGiven) {
  // Each frame sits at the very end of its own heap block, so a read past it is caught by
  // the address sanitizer; the samples must not depend on whatever would lie beyond.
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::size_t used;
    Word16 ecount;  // erased-frame count after decoding it (after one good speech frame)
  };
  std::uint8_t speech[24];
  LINEDEF l;
  l.Olp[0] = l.Olp[1] = 60;
  for (SFSDEF& s : l.Sfs) s.AcL = 1;
  Line_Pack(&l, speech, kFtypSpeech, Rate63);
  const Case cases[] = {
      {{0x03}, 1, 0},                                        // untransmitted
      {{0x02, 0x11, 0x22, 0x33}, 4, 0},                      // SID
      {{speech, speech + 24}, 24, 0},                        // whole speech frame
      {{speech, speech + 10}, 10, 1},                        // speech frame cut short
      {{0x01, 0, 0, 0, 0, 0}, 6, 1},                         // 5.3 kbit/s frame cut short
      {{0x02, 0x11}, 2, 1},                                  // SID cut short, after speech
  };
  for (const Case& c : cases) {
    G7231Decoder dec;
    std::int16_t pcm[240];
    ASSERT_EQ(dec.Decode(speech, 24, pcm), 24u);
    auto block = std::make_unique<std::uint8_t[]>(c.bytes.size());
    std::copy(c.bytes.begin(), c.bytes.end(), block.get());
    EXPECT_EQ(dec.Decode(block.get(), c.bytes.size(), pcm), c.used) << c.bytes.size();
    EXPECT_EQ(DecStat.Ecount, c.ecount) << c.bytes.size();
  }
  G7231Decoder dec;
  std::int16_t pcm[240];
  EXPECT_EQ(dec.Decode(nullptr, 0, pcm), 0u);
}

TEST_F(CodecTest, SilenceGivesSidAndUntransmittedFramesAndComfortNoiseAtItsLevel) {
  // Speech-like tone bursts, then steady low noise.
  Samples in = Tone(220, 6000, 40);
  const Samples noise = Noise(300, 260, 5);
  for (std::size_t i = 0; i < 40 * 240; ++i) in[i] = static_cast<std::int16_t>(in[i] + noise[i]);
  in.insert(in.end(), noise.begin(), noise.end());

  const auto stream = g7231test::EncodeAll(in, false);
  const auto types = g7231test::FrameTypes(stream);
  ASSERT_EQ(types.size(), 300u);
  // Speech, then the detector's hangover, then silence frames.
  for (std::size_t i = 0; i < 40; ++i) ASSERT_EQ(types[i], 0) << i;
  const auto firstSid = std::find(types.begin(), types.end(), 2) - types.begin();
  ASSERT_LT(firstSid, 200) << "the noise level adapts within a few seconds";
  for (std::size_t i = static_cast<std::size_t>(firstSid) + 1; i < types.size(); ++i) ASSERT_NE(types[i], 0) << i;
  const long untransmitted = std::count(types.begin(), types.end(), 3);
  const long sids = std::count(types.begin(), types.end(), 2);
  EXPECT_GT(untransmitted, 5 * sids) << "stationary noise needs few SID frames";
  EXPECT_GT(untransmitted, 90);

  const Samples out = g7231test::DecodeAll(stream);
  const std::size_t from = (static_cast<std::size_t>(firstSid) + 5) * 240;
  const double noiseLevel = LevelDb(in, from, in.size());
  const double cngLevel = LevelDb(out, from, out.size());
  EXPECT_NEAR(cngLevel, noiseLevel, 4.0);
}

TEST_F(CodecTest, ErasedFramesAreConcealedAndDecayToSilence) {
  const Samples in = Tone(200, 8000, 12);
  const auto stream = g7231test::EncodeAll(in, false);
  ASSERT_EQ(stream.size(), 12u * 24);

  G7231Decoder dec;
  std::int16_t pcm[240];
  for (int i = 0; i < 10; ++i) dec.Decode(&stream[i * 24], 24, pcm);
  const double speechLevel = LevelDb(Samples(pcm, pcm + 240), 0, 240);
  std::uint8_t bad[24];
  std::copy(&stream[10 * 24], &stream[11 * 24], bad);
  bad[3] |= 0xF0;  // lag code 124 or more: a forbidden code
  bad[4] |= 0x01;
  std::vector<double> levels;
  for (int i = 0; i < 5; ++i) {
    dec.Decode(bad, 24, pcm);
    levels.push_back(LevelDb(Samples(pcm, pcm + 240), 0, 240));
    EXPECT_EQ(DecStat.Ecount, std::min(i + 1, 3));
  }
  EXPECT_GT(levels[0], speechLevel - 10) << "the first lost frame is filled in";
  EXPECT_LT(levels[4], speechLevel - 30) << "a long loss fades out";
  dec.Decode(&stream[11 * 24], 24, pcm);
  EXPECT_EQ(DecStat.Ecount, 0);

  // After silence a lost frame continues the comfort noise.
  const std::uint8_t sid[4] = {0x02, 0x00, 0x00, 0x80};  // gain index 32
  dec.Decode(sid, 4, pcm);
  dec.Decode(bad, 24, pcm);
  EXPECT_EQ(DecStat.Ecount, 0);
  EXPECT_EQ(DecCng.PastFtyp, 0);
  EXPECT_TRUE(std::any_of(pcm, pcm + 240, [](std::int16_t x) { return x != 0; }));
}

// A pure tone drives the pitch predictor towards instability.  The sine detector engages
// the taming procedure, which restricts the gain search to the first rows of the tables;
// the decoded tone keeps its level instead of growing.
TEST_F(CodecTest, TamingKeepsTheAdaptiveGainBoundedOnAPureTone) {
  for (double hz : {400.0, 1000.0}) {
    SCOPED_TRACE(hz);
    const Samples in = Tone(hz, 12000, 100);
    G7231Encoder enc;
    std::vector<std::uint8_t> stream;
    std::uint8_t out[24];
    int sineFrames = 0;
    int boundedFrames = 0;
    for (std::size_t f = 0; f < 100; ++f) {
      ASSERT_EQ(enc.Encode(&in[f * 240], out), 24u);
      stream.insert(stream.end(), out, out + 24);
      if (CodStat.SinDet >= 0) continue;
      ++sineFrames;
      Word16 ftyp = 0;
      const LINEDEF l = Line_Unpk(out, &ftyp, 0);
      bool bounded = true;
      for (int i = 0; i < 4; ++i) {
        const bool shortLag = l.Olp[i / 2] < 58;
        bounded = bounded && l.Sfs[i].AcG < (shortLag ? 51 : 93);
      }
      boundedFrames += bounded;
    }
    EXPECT_GT(sineFrames, 80);
    EXPECT_EQ(boundedFrames, sineFrames);
    const Samples dec = g7231test::DecodeAll(stream);
    const double inLevel = LevelDb(in, 0, in.size());
    for (std::size_t f = 10; f < 100; f += 10) {
      EXPECT_LT(LevelDb(dec, f * 240, (f + 10) * 240), inLevel + 2.0) << f;
      EXPECT_GT(LevelDb(dec, f * 240, (f + 10) * 240), inLevel - 6.0) << f;
    }
  }
}

}  // namespace
}  // namespace g7231
