#include <gsm.h>
#include <gtest/gtest.h>

#include <memory>

#include "stack/codec/H323_GSM0610Capability.h"
#include "stack/codec/H323_GSM0610Codec.h"
#include "tests/stack/codec/MemoryChannel.h"
#include "tests/stack/codec/Signals.h"

namespace {

constexpr size_t kFrame = 160;
constexpr size_t kCoded = 33;

// libgsm's own coding of `samples`, frame by frame with one state.
std::vector<uint8_t> ReferenceEncode(std::vector<int16_t> samples) {
  gsm g = gsm_create();
  std::vector<uint8_t> out;
  for (size_t i = 0; i + kFrame <= samples.size(); i += kFrame) {
    gsm_frame f;
    gsm_encode(g, &samples[i], f);
    out.insert(out.end(), f, f + kCoded);
  }
  gsm_destroy(g);
  return out;
}

std::vector<int16_t> ReferenceDecode(std::vector<uint8_t> coded) {
  gsm g = gsm_create();
  std::vector<int16_t> out;
  for (size_t i = 0; i + kCoded <= coded.size(); i += kCoded) {
    gsm_signal s[kFrame];
    EXPECT_EQ(gsm_decode(g, &coded[i], s), 0);
    out.insert(out.end(), s, s + kFrame);
  }
  gsm_destroy(g);
  return out;
}

std::vector<int16_t> Speechlike() {
  using namespace signals;
  return Concat(Concat(Tone(1000, 8000, 800), Noise(3000, 800, 7)), Tone(300, 12000, 800));
}

// Frame by frame, or a packet's four frames read from the recorder at once: the same
// frames, byte for byte.
TEST(GsmCodec, EncoderOutputIsByteForByteLibgsm) {
  const auto input = signals::Concat(Speechlike(), signals::Tone(500, 4000, kFrame));  // 16 frames
  for (const unsigned framesPerRead : {1u, 4u}) {
    SCOPED_TRACE(framesPerRead);
    auto channel = std::make_unique<MemoryChannel>();
    channel->Feed(input);
    MemoryChannel* raw = channel.get();
    H323_GSM0610Codec encoder(H323Codec::Encoder);
    ASSERT_TRUE(encoder.AttachChannel(channel.release()));
    encoder.SetFramesPerRead(framesPerRead);
    EXPECT_EQ(encoder.GetSamplesPerFrame(), kFrame);
    EXPECT_EQ(encoder.GetBytesPerFrame(), kCoded);
    EXPECT_EQ(encoder.GetMediaFormat().payloadType, 3u);

    std::vector<uint8_t> coded;
    uint8_t frame[kCoded];
    unsigned length = 0;
    bool marker = false;
    const size_t frames = input.size() / kFrame;
    for (size_t i = 0; i < frames; ++i) {
      ASSERT_TRUE(encoder.Read(frame, length, marker));
      ASSERT_EQ(length, kCoded);
      EXPECT_EQ(marker, i == 0);  // only the start of the stream begins a talk burst
      coded.insert(coded.end(), frame, frame + length);
    }
    EXPECT_EQ(coded, ReferenceEncode(input));
    EXPECT_EQ(raw->Reads(), frames / framesPerRead);
    EXPECT_FALSE(encoder.Read(frame, length, marker));  // the raw channel is exhausted
  }
}

// With silence detection a talk burst may end at any frame: the recorder is read a frame
// at a time whatever was asked.
TEST(GsmCodec, SilenceDetectionReadsTheRecorderFrameByFrame) {
  auto channel = std::make_unique<MemoryChannel>();
  channel->Feed(signals::Tone(1000, 8000, 8 * kFrame));
  MemoryChannel* raw = channel.get();
  H323_GSM0610Codec encoder(H323Codec::Encoder);
  ASSERT_TRUE(encoder.AttachChannel(channel.release()));
  encoder.SetFramesPerRead(4);
  encoder.SetSilenceDetectionMode(H323AudioCodec::FixedSilenceDetection, 100);
  uint8_t frame[kCoded];
  unsigned length = 0;
  bool marker = false;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(encoder.Read(frame, length, marker));
  EXPECT_EQ(raw->Reads(), 3u);
}

TEST(GsmCodec, DecoderSplitsPayloadsIntoFramesAsLibgsmDecodesThem) {
  const std::vector<uint8_t> coded = ReferenceEncode(Speechlike());
  auto* channel = new MemoryChannel;
  H323_GSM0610Codec decoder(H323Codec::Decoder);
  decoder.AttachChannel(channel);
  // Packets of 4 frames, as the endpoint sends them, each played in one write.
  unsigned packets = 0;
  for (size_t i = 0; i < coded.size(); i += 4 * kCoded, ++packets) {
    const unsigned n = static_cast<unsigned>(std::min(4 * kCoded, coded.size() - i));
    unsigned written = 0;
    ASSERT_TRUE(decoder.Write(&coded[i], n, written));
    EXPECT_EQ(written, n);
  }
  EXPECT_EQ(channel->Written(), ReferenceDecode(coded));
  EXPECT_EQ(channel->Writes(), packets);
}

TEST(GsmCodec, DamagedShortAndMissingFramesPlaySilenceInTheirPlace) {
  std::vector<uint8_t> coded = ReferenceEncode(signals::Tone(1000, 8000, 3 * kFrame));
  coded[kCoded] = 0x00;  // second frame loses the GSM signature nibble
  coded.resize(coded.size() + 10, 0xD0);  // and a stray 10-byte tail
  auto* channel = new MemoryChannel;
  H323_GSM0610Codec decoder(H323Codec::Decoder);
  decoder.AttachChannel(channel);
  unsigned written = 0;
  ASSERT_TRUE(decoder.Write(coded.data(), static_cast<unsigned>(coded.size()), written));
  EXPECT_EQ(written, coded.size());
  const auto out = channel->Written();
  ASSERT_EQ(out.size(), 4 * kFrame);  // three frames and the tail, one frame time each
  EXPECT_GT(signals::Rms(&out[0], kFrame), 100.0);
  EXPECT_EQ(signals::Rms(&out[kFrame], kFrame), 0.0);
  EXPECT_GT(signals::Rms(&out[2 * kFrame], kFrame), 100.0);
  EXPECT_EQ(signals::Rms(&out[3 * kFrame], kFrame), 0.0);

  ASSERT_TRUE(decoder.Write(nullptr, 0, written));  // nothing arrived for a frame time
  EXPECT_EQ(channel->Written().size(), 5 * kFrame);
}

TEST(GsmCodec, CodingRoundTripKeepsTheTone) {
  const auto tone = signals::Tone(1000, 10000, 50 * kFrame);
  auto decoded = ReferenceDecode(ReferenceEncode(tone));
  ASSERT_EQ(decoded.size(), tone.size());
  const size_t skip = 5 * kFrame;  // the coder settles
  EXPECT_NEAR(signals::ZeroCrossingHz(&decoded[skip], decoded.size() - skip), 1000.0, 10.0);
  EXPECT_NEAR(signals::Rms(&decoded[skip], decoded.size() - skip), signals::Rms(tone.data(), tone.size()), 2500.0);
}

TEST(GsmCodec, ACodecOnlyWorksInItsDirection) {
  H323_GSM0610Codec decoder(H323Codec::Decoder);
  uint8_t frame[kCoded];
  unsigned length = 0;
  bool marker = false;
  EXPECT_FALSE(decoder.Read(frame, length, marker));
  H323_GSM0610Codec encoder(H323Codec::Encoder);
  EXPECT_FALSE(encoder.Write(frame, kCoded, length));
  EXPECT_FALSE(encoder.Read(frame, length, marker));  // no raw channel attached
}

}  // namespace
