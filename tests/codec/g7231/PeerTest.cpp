// The codec against an independent implementation (ffmpeg, run as a program) on speech.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "codec/g7231/State.h"
#include "tests/codec/g7231/Audio.h"

namespace g7231test {
namespace {

class PeerTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Speech().empty()) << "espeak-ng and sox are needed to make the speech fixture";
    ASSERT_EQ(g7231test::Run("ffmpeg -hide_banner -h decoder=g723_1 >/dev/null 2>&1"), 0) << "ffmpeg is needed";
    g7231::WrkRate = g7231::Rate63;
    g7231::UsePf = 1;
  }
  void TearDown() override {
    g7231::WrkRate = g7231::Rate63;
    g7231::UsePf = 1;
  }
  TempDir dir_;
};

TEST_F(PeerTest, OurStreamsDecodeInThePeerToSpeechCloseToTheInput) {
  const Samples& in = Speech();
  for (bool rate53 : {false, true}) {
    SCOPED_TRACE(rate53 ? "5.3 kbit/s" : "6.3 kbit/s");
    const Bytes stream = EncodeAll(in, rate53);
    const std::vector<int> types = FrameTypes(stream);
    ASSERT_EQ(types.size(), in.size() / 240);
    const int speechType = rate53 ? 1 : 0;
    EXPECT_GT(std::count(types.begin(), types.end(), speechType), static_cast<long>(types.size() * 3 / 4));
    EXPECT_EQ(std::count(types.begin(), types.end(), 1 - speechType), 0);

    Samples peer;
    ASSERT_TRUE(PeerDecode(dir_.Path(""), stream, true, &peer));
    ASSERT_EQ(peer.size(), in.size());
    int delay = -1;
    const double snr = SegmentalSnr(in, peer, &delay);
    EXPECT_GT(snr, rate53 ? 4.0 : 5.0);
    EXPECT_EQ(delay, 60) << "the coder's look-ahead";
    const double levelIn = LevelDb(in, 0, in.size() - 60);
    const double levelOut = LevelDb(peer, 60, peer.size());
    EXPECT_NEAR(levelOut, levelIn, 1.5);

    // Our own decoder hears the same.
    const Samples ours = DecodeAll(stream);
    EXPECT_GT(SegmentalSnr(in, ours), rate53 ? 4.0 : 5.0);
  }
}

TEST_F(PeerTest, PeerStreamsDecodeToThePeersOwnSamples) {
  // The sentence as it is, and 12 dB louder with clipping: there the filters' sums leave
  // the 32-bit range and saturate.
  Samples loud = Speech();
  for (std::int16_t& v : loud) v = static_cast<std::int16_t>(std::clamp(v * 4, -32768, 32767));
  const std::pair<const char*, const Samples*> inputs[] = {{"speech", &Speech()}, {"loud speech", &loud}};
  for (const auto& [name, input] : inputs) {
    SCOPED_TRACE(name);
    Bytes stream;
    ASSERT_TRUE(PeerEncode(dir_.Path(""), *input, &stream));
    ASSERT_GT(stream.size(), 100u * 24);
    for (int t : FrameTypes(stream)) ASSERT_EQ(t, 0);
    for (bool postfilter : {true, false}) {
      SCOPED_TRACE(postfilter ? "postfilter on" : "postfilter off");
      Samples peer;
      ASSERT_TRUE(PeerDecode(dir_.Path(""), stream, postfilter, &peer));
      g7231::UsePf = postfilter ? 1 : 0;
      const Samples ours = DecodeAll(stream);
      ASSERT_EQ(ours.size(), peer.size());
      std::size_t first = ours.size();
      for (std::size_t i = 0; i < ours.size(); ++i) {
        if (ours[i] != peer[i]) {
          first = i;
          break;
        }
      }
      EXPECT_EQ(first, ours.size()) << "first difference in frame " << first / 240;
    }
  }
}

TEST_F(PeerTest, SilenceFramesDecodeInThePeer) {
  // Low noise, the sentence, then two seconds of low noise.
  std::mt19937 rng(3);
  std::normal_distribution<double> noise(0, 200);
  auto n = [&] { return static_cast<std::int16_t>(std::clamp(noise(rng), -32768.0, 32767.0)); };
  Samples in;
  for (int i = 0; i < 8000; ++i) in.push_back(n());
  for (std::int16_t s : Speech()) in.push_back(static_cast<std::int16_t>(std::clamp(s + static_cast<int>(n()), -32768, 32767)));
  for (int i = 0; i < 16000; ++i) in.push_back(n());
  in.resize(in.size() / 240 * 240);

  const Bytes stream = EncodeAll(in, false);
  const std::vector<int> types = FrameTypes(stream);
  ASSERT_EQ(types.size(), in.size() / 240);
  const auto sid = std::find(types.begin(), types.end(), 2);
  ASSERT_NE(sid, types.end());
  EXPECT_GT(std::count(types.begin(), types.end(), 3), 40);
  const std::size_t firstSilence = static_cast<std::size_t>(sid - types.begin());

  Samples peer;
  ASSERT_TRUE(PeerDecode(dir_.Path(""), stream, true, &peer)) << "the peer reported an error";
  ASSERT_EQ(peer.size(), in.size());
  const Samples ours = DecodeAll(stream);
  ASSERT_EQ(ours.size(), peer.size());
  // Identical up to the first silence frame...
  EXPECT_TRUE(std::equal(ours.begin(), ours.begin() + firstSilence * 240, peer.begin()));
  // ... and comfort noise of the same level in the closing silence (the peer draws the
  // second half frame's random lag from a narrower range, so the samples differ there).
  const std::size_t tail = in.size() - 12000;
  EXPECT_NEAR(LevelDb(peer, tail, peer.size()), LevelDb(ours, tail, ours.size()), 1.0);
  EXPECT_NEAR(LevelDb(ours, tail, ours.size()), LevelDb(in, tail, in.size()), 4.0);
}

}  // namespace
}  // namespace g7231test
