#include <gtest/gtest.h>

#include "stack/codec/H323_GSM0610Codec.h"
#include "stack/codec/SilenceDetector.h"
#include "tests/stack/codec/MemoryChannel.h"
#include "tests/stack/codec/Signals.h"

namespace {

constexpr size_t kFrame = 160;

struct FrameResult {
  unsigned length;
  bool marker;
};

std::vector<FrameResult> EncodeAll(H323AudioCodec::SilenceDetectionMode mode, const std::vector<int16_t>& input) {
  auto* channel = new MemoryChannel;
  channel->Feed(input);
  H323_GSM0610Codec encoder(H323Codec::Encoder);
  encoder.AttachChannel(channel);
  encoder.SetSilenceDetectionMode(mode);
  std::vector<FrameResult> out;
  uint8_t frame[33];
  FrameResult r{};
  while (encoder.Read(frame, r.length, r.marker)) out.push_back(r);
  return out;
}

// Talk bursts as runs of sent frames: (first frame index, frame count, marker on first).
std::vector<std::tuple<size_t, size_t, bool>> Bursts(const std::vector<FrameResult>& frames) {
  std::vector<std::tuple<size_t, size_t, bool>> bursts;
  for (size_t i = 0; i < frames.size(); ++i) {
    if (frames[i].length == 0) continue;
    if (i == 0 || frames[i - 1].length == 0) bursts.emplace_back(i, 0, frames[i].marker);
    ++std::get<1>(bursts.back());
    if (std::get<1>(bursts.back()) > 1) {
      EXPECT_FALSE(frames[i].marker) << "marker inside a burst at " << i;
    }
  }
  return bursts;
}

TEST(SilenceDetection, AdaptiveModeDropsPausesAndMarksEachTalkBurst) {
  using namespace signals;
  // 1 s quiet noise, 0.5 s tone, 1 s quiet noise, 0.5 s tone, 0.5 s quiet noise.
  const auto quiet = [](size_t n, uint32_t seed) { return Noise(150, n, seed); };
  auto input = Concat(quiet(8000, 1), Tone(1000, 6000, 4000));
  input = Concat(Concat(input, quiet(8000, 2)), Tone(440, 4000, 4000));
  input = Concat(input, quiet(4000, 3));

  const auto frames = EncodeAll(H323AudioCodec::AdaptiveSilenceDetection, input);
  ASSERT_EQ(frames.size(), input.size() / kFrame);
  const auto bursts = Bursts(frames);
  ASSERT_EQ(bursts.size(), 2u);
  const size_t hangover = SilenceDetector::kHangoverFrames;
  // Each burst starts with its tone and lasts the tone plus the hangover.
  EXPECT_EQ(std::get<0>(bursts[0]), 50u);
  EXPECT_EQ(std::get<1>(bursts[0]), 25u + hangover);
  EXPECT_TRUE(std::get<2>(bursts[0]));
  EXPECT_EQ(std::get<0>(bursts[1]), 125u);
  EXPECT_EQ(std::get<1>(bursts[1]), 25u + hangover);
  EXPECT_TRUE(std::get<2>(bursts[1]));
}

TEST(SilenceDetection, WithoutDetectionEveryFrameIsSentAndOnlyTheFirstIsMarked) {
  const auto input = signals::Concat(std::vector<int16_t>(8000, 0), signals::Tone(1000, 6000, 1600));
  const auto frames = EncodeAll(H323AudioCodec::NoSilenceDetection, input);
  ASSERT_EQ(frames.size(), 60u);
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_EQ(frames[i].length, 33u);
    EXPECT_EQ(frames[i].marker, i == 0);
  }
}

TEST(SilenceDetection, ThresholdFollowsALouderBackground) {
  SilenceDetector d;
  const auto quiet = signals::Noise(100, kFrame * 100, 5);
  const auto loud = signals::Noise(1500, kFrame * 1500, 6);
  for (size_t i = 0; i < quiet.size(); i += kFrame) d.IsSilent(&quiet[i], kFrame);
  // A lasting louder background first counts as speech, then becomes the new floor.
  EXPECT_FALSE(d.IsSilent(&loud[0], kFrame));
  bool silentAtEnd = false;
  for (size_t i = kFrame; i < loud.size(); i += kFrame) silentAtEnd = d.IsSilent(&loud[i], kFrame);
  EXPECT_TRUE(silentAtEnd);
  const auto speech = signals::Tone(800, 12000, kFrame);
  EXPECT_FALSE(d.IsSilent(speech.data(), kFrame));
}

}  // namespace
