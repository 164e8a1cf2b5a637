// The framing a codec with frames of several sizes relies on (G.723.1: 24, 20, 4 or 1
// bytes, always 240 samples): each call gets the rest of the payload capped at the
// frame size, the codec says how many bytes it used, and the samples played follow.
#include <gtest/gtest.h>

#include "stack/codec/H323FramedAudioCodec.h"
#include "tests/stack/codec/MemoryChannel.h"

namespace {

class SizedFrameCodec : public H323FramedAudioCodec {
 public:
  // `ownLength`: report each frame's real length (from its first byte) instead of the
  // full frame size.
  explicit SizedFrameCodec(bool ownLength) : H323FramedAudioCodec(kMediaFormatG7231, Decoder), m_own(ownLength) {}
  bool EncodeFrame(uint8_t*, unsigned& length) override {
    length = 0;
    return false;
  }
  bool DecodeFrame(const uint8_t* buffer, unsigned length, unsigned& written) override {
    offered.push_back(length);
    static const unsigned kSizes[] = {24, 20, 4, 1};
    written = m_own ? kSizes[buffer[0] & 3] : 24;
    std::fill(m_sampleBuffer.begin(), m_sampleBuffer.end(), static_cast<int16_t>(buffer[0]));
    return true;
  }
  unsigned GetDecodedSamples(unsigned bytesUsed) const override {
    return m_own ? m_samplesPerFrame : H323FramedAudioCodec::GetDecodedSamples(bytesUsed);
  }
  std::vector<unsigned> offered;

 private:
  bool m_own;
};

std::vector<uint8_t> Frames(std::initializer_list<unsigned> types) {
  static const unsigned kSizes[] = {24, 20, 4, 1};
  std::vector<uint8_t> payload;
  for (unsigned t : types) {
    payload.push_back(static_cast<uint8_t>(t));
    payload.resize(payload.size() + kSizes[t] - 1, 0);
  }
  return payload;
}

TEST(FramedAudioCodec, PayloadsAreSplitByWhatTheDecoderUsed) {
  struct Case {
    bool ownLength;
    std::vector<uint8_t> payload;
    std::vector<unsigned> offered;
    size_t samples;
  } cases[] = {
      // Whole 24-byte frames: one call each, 240 samples each.
      {false, Frames({0, 0}), {24, 24}, 480},
      // Fixed report of 24 on a shorter payload: one call, a whole frame, the rest unsplit.
      {false, Frames({2, 3}), {5}, 240},
      // Each frame's own length: every frame decoded, each a whole frame of samples.
      {true, Frames({1, 2, 3, 0}), {24, 24, 24, 24}, 960},
  };
  for (const auto& c : cases) {
    SizedFrameCodec codec(c.ownLength);
    auto* speaker = new MemoryChannel;
    codec.AttachChannel(speaker);
    unsigned written = 0;
    ASSERT_TRUE(codec.Write(c.payload.data(), static_cast<unsigned>(c.payload.size()), written));
    EXPECT_EQ(written, c.payload.size());
    EXPECT_EQ(codec.offered, c.offered);
    EXPECT_EQ(speaker->Written().size(), c.samples);
  }
}

}  // namespace
