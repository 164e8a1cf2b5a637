// The codec as the stack sees it: its registry entry, its capability and the framed codec
// that the stack drives frame by frame from its media threads.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "codec/g7231/Bitstream.h"
#include "codec/g7231/G7231CapabilityRegistration.h"
#include "codec/g7231/G7231Decoder.h"
#include "codec/g7231/H323_G7231Capability.h"
#include "codec/g7231/H323_G7231Codec.h"
#include "codec/g7231/State.h"
#include "stack/codec/H323Capabilities.h"
#include "stack/codec/H323CapabilityRegistration.h"
#include "stack/codec/H323_GSM0610Capability.h"
#include "tests/codec/g7231/Audio.h"
#include "tests/stack/codec/MemoryChannel.h"
#include "tests/stack/codec/Signals.h"

namespace {

using g7231test::Bytes;
using g7231test::LevelDb;
using g7231test::Samples;

constexpr const char* kName = "G.723.1A(6.3k){sw}";
constexpr unsigned kFrame = 240;

class H323G7231Test : public testing::Test {
 protected:
  void SetUp() override { g7231::WrkRate = g7231::Rate63; }
  void TearDown() override { g7231::WrkRate = g7231::Rate63; }
};

// Runs `in` through an encoder codec as the transmitting media thread does; each frame
// as the stack receives it.
std::vector<Bytes> EncodeThroughCodec(const Samples& in) {
  auto* channel = new MemoryChannel;
  channel->Feed(in);
  H323_G7231Codec encoder(H323Codec::Encoder);
  encoder.AttachChannel(channel);
  std::vector<Bytes> frames;
  uint8_t buffer[24];
  unsigned length = 0;
  bool marker = false;
  while (encoder.Read(buffer, length, marker)) frames.emplace_back(buffer, buffer + length);
  return frames;
}

Bytes Join(const std::vector<Bytes>& frames, size_t from = 0, size_t count = SIZE_MAX) {
  Bytes out;
  for (size_t i = from; i < frames.size() && i - from < count; ++i) out.insert(out.end(), frames[i].begin(), frames[i].end());
  return out;
}

// Plays every payload through a decoder codec as the receiving media thread does.  Each
// payload is copied into a buffer of exactly its size, so that a read past its end shows
// under the address sanitizer.
Samples DecodeThroughCodec(const std::vector<Bytes>& payloads) {
  auto* channel = new MemoryChannel;
  H323_G7231Codec decoder(H323Codec::Decoder);
  decoder.AttachChannel(channel);
  for (const Bytes& p : payloads) {
    auto exact = std::make_unique<uint8_t[]>(p.size());
    std::copy(p.begin(), p.end(), exact.get());
    unsigned written = 0;
    EXPECT_TRUE(decoder.Write(exact.get(), static_cast<unsigned>(p.size()), written));
    EXPECT_EQ(written, p.size());
  }
  return channel->Written();
}

// Real frames of each type, from the encoder: [0] 6.3 kbit/s speech, [1] 5.3 kbit/s
// speech, [2] SID, [3] untransmitted.
std::vector<Bytes> OneFrameOfEachType() {
  std::vector<Bytes> byType(4);
  const Samples tone = signals::Tone(1000, 8000, kFrame);
  byType[0] = EncodeThroughCodec(tone).at(0);
  g7231::WrkRate = g7231::Rate53;
  byType[1] = EncodeThroughCodec(tone).at(0);
  g7231::WrkRate = g7231::Rate63;
  // Low noise: three speech frames, then a SID frame and untransmitted ones.
  const std::vector<Bytes> quiet = EncodeThroughCodec(signals::Noise(50, 10 * kFrame, 3));
  for (const Bytes& f : quiet)
    if (byType[f[0] & 3].empty()) byType[f[0] & 3] = f;
  return byType;
}

TEST_F(H323G7231Test, TheRegistryCreatesTheCapabilityByItsName) {
  int listed = 0;
  for (PINDEX i = 0; i < H323CapabilityRegistration::GetRegisteredNames().GetSize(); ++i)
    if (H323CapabilityRegistration::GetRegisteredNames()[i] == kName) ++listed;
  EXPECT_EQ(listed, 1);

  std::unique_ptr<H323Capability> cap(H323CapabilityRegistration::CreateCapability(kName));
  ASSERT_NE(cap, nullptr);
  EXPECT_TRUE(cap->IsClass("H323_G7231Capability"));
  EXPECT_TRUE(cap->IsDescendant("H323AudioCapability"));
  EXPECT_STREQ(cap->GetClass(1), "H323AudioCapability");
  EXPECT_EQ(cap->GetFormatName(), kName);
  EXPECT_EQ(cap->GetMainType(), H323Capability::e_Audio);
  EXPECT_EQ(cap->GetSubType(), 8u);
  EXPECT_EQ(cap->GetPayloadType(), 4u);
  auto& g7231 = dynamic_cast<H323_G7231Capability&>(*cap);
  EXPECT_EQ(g7231.GetRxFramesInPacket(), 7u);
  EXPECT_EQ(g7231.GetTxFramesInPacket(), 4u);
  EXPECT_TRUE(g7231.silenceSuppression);

  // Names match exactly.
  for (const char* near : {"G.723.1A(6.3k)", "G.723.1", "g.723.1a(6.3k){sw}"})
    EXPECT_EQ(H323CapabilityRegistration::CreateCapability(near), nullptr) << near;
}

TEST_F(H323G7231Test, TheCapabilityIsInATableOnlyWhenPutThere) {
  // The endpoint's table: GSM alone, also when filled from the registry by name.
  H323Capabilities table;
  table.SetCapability(P_MAX_INDEX, P_MAX_INDEX, new H323_GSM0610Capability);
  table.AddAllCapabilities(nullptr, 0, 0, "GSM");
  H323_G7231Capability own;  // the endpoint keeps its own object apart
  EXPECT_EQ(table.FindCapability(kName), nullptr);
  EXPECT_EQ(table.FindCapability(H323Capability::e_Audio, 8), nullptr);
  EXPECT_EQ(own.GetCapabilityNumber(), 0u);

  auto* entered = new H323_G7231Capability;
  table.SetCapability(0, 0, entered);
  EXPECT_EQ(table.FindCapability(kName), entered);
  EXPECT_EQ(table.FindCapability(H323Capability::e_Audio, 8), entered);

  H323Capabilities all;
  all.AddAllCapabilities(nullptr, 0, 0, "*");
  EXPECT_NE(all.FindCapability(kName), nullptr);
}

TEST_F(H323G7231Test, FramesPerPacketRoundTrip) {
  struct Case {
    unsigned set;
    unsigned stored;
  };
  // 0 is refused (a packet carries at least one frame) and keeps the count before it.
  const Case cases[] = {{1, 1}, {4, 4}, {7, 7}, {256, 256}, {257, 256}, {1000, 256}, {0, 256}};
  H323_G7231Capability cap;
  for (const Case& c : cases) {
    const unsigned long failedChecks = PAssertCount();
    cap.SetTxFramesInPacket(c.set);
    EXPECT_EQ(cap.GetTxFramesInPacket(), c.stored) << c.set;
    EXPECT_EQ(PAssertCount() - failedChecks, c.set == 0 ? 1u : 0u) << c.set;
    EXPECT_EQ(cap.GetRxFramesInPacket(), 7u) << c.set;
  }

  cap.SetTxFramesInPacket(3);
  cap.silenceSuppression = false;
  std::unique_ptr<PObject> copy(cap.Clone());
  auto& clone = dynamic_cast<H323_G7231Capability&>(*copy);
  EXPECT_EQ(clone.GetTxFramesInPacket(), 3u);
  EXPECT_EQ(clone.GetRxFramesInPacket(), 7u);
  EXPECT_FALSE(clone.silenceSuppression);
  EXPECT_EQ(cap.Compare(clone), PObject::EqualTo);
  cap.SetTxFramesInPacket(5);  // the copy is independent
  EXPECT_EQ(clone.GetTxFramesInPacket(), 3u);
}

TEST_F(H323G7231Test, SilenceSuppressionOrdersOtherwiseEqualCapabilities) {
  struct Case {
    bool mine, theirs;
    PObject::Comparison expected;
  };
  const Case cases[] = {
      {true, false, PObject::GreaterThan},
      {false, true, PObject::LessThan},
      {true, true, PObject::EqualTo},
      {false, false, PObject::EqualTo},
  };
  for (const Case& c : cases) {
    H323_G7231Capability a, b;
    a.silenceSuppression = c.mine;
    b.silenceSuppression = c.theirs;
    EXPECT_EQ(a.Compare(b), c.expected) << c.mine << c.theirs;
  }
  // Other codecs order by sub type first: g7231 (8) before gsmFullRate (17).
  H323_G7231Capability g7231;
  H323_GSM0610Capability gsm;
  EXPECT_EQ(g7231.Compare(gsm), PObject::LessThan);
  EXPECT_EQ(gsm.Compare(g7231), PObject::GreaterThan);
}

TEST_F(H323G7231Test, CapabilityMakesOneCodecPerDirection) {
  H323_G7231Capability cap;
  for (auto direction : {H323Codec::Encoder, H323Codec::Decoder}) {
    std::unique_ptr<H323Codec> codec(cap.CreateCodec(direction));
    ASSERT_NE(codec, nullptr);
    EXPECT_TRUE(codec->IsClass("H323_G7231Codec"));
    EXPECT_TRUE(codec->IsDescendant("H323FramedAudioCodec"));
    EXPECT_EQ(codec->GetDirection(), direction);
    EXPECT_EQ(codec->GetMediaFormat().name, "G.723.1");
    EXPECT_EQ(codec->GetMediaFormat().payloadType, 4u);
    EXPECT_EQ(codec->GetFrameRate(), kFrame);
    auto& framed = dynamic_cast<H323FramedAudioCodec&>(*codec);
    EXPECT_EQ(framed.GetSamplesPerFrame(), kFrame);
    EXPECT_EQ(framed.GetBytesPerFrame(), 24u);
  }

  // Each works in its own direction only.
  H323_G7231Codec encoder(H323Codec::Encoder), decoder(H323Codec::Decoder);
  uint8_t frame[24] = {};
  unsigned n = 0;
  EXPECT_FALSE(encoder.DecodeFrame(frame, 24, n));
  EXPECT_FALSE(decoder.EncodeFrame(frame, n));
}

TEST_F(H323G7231Test, EncoderHandsEachFrameToTheStackAtItsOwnLength) {
  // Speech at the working rate, and in quiet the silence compression's SID and
  // untransmitted frames.
  const std::vector<Bytes> tone = EncodeThroughCodec(signals::Tone(1000, 8000, 5 * kFrame));
  ASSERT_EQ(tone.size(), 5u);
  for (const Bytes& f : tone) EXPECT_EQ(f.size(), 24u);

  g7231::WrkRate = g7231::Rate53;  // as after a 5.3 kbit/s frame was received
  for (const Bytes& f : EncodeThroughCodec(signals::Tone(1000, 8000, 3 * kFrame))) EXPECT_EQ(f.size(), 20u);
  g7231::WrkRate = g7231::Rate63;

  std::vector<size_t> lengths;
  for (const Bytes& f : EncodeThroughCodec(signals::Noise(50, 8 * kFrame, 3))) {
    lengths.push_back(f.size());
    EXPECT_EQ(f.size(), g7231::FrameLength(f[0]));
  }
  EXPECT_EQ(lengths, (std::vector<size_t>{24, 24, 24, 4, 1, 1, 1, 1}));
}

TEST_F(H323G7231Test, ToneRoundTripThroughTheCodecsKeepsPitchAndLevel) {
  const size_t frames = 60;
  const Samples in = signals::Tone(1000, 8000, frames * kFrame);
  const std::vector<Bytes> coded = EncodeThroughCodec(in);
  ASSERT_EQ(coded.size(), frames);
  std::vector<Bytes> packets;  // four frames per packet, as the endpoint sends
  for (size_t i = 0; i < frames; i += 4) packets.push_back(Join(coded, i, 4));
  const Samples out = DecodeThroughCodec(packets);
  ASSERT_EQ(out.size(), in.size());

  const size_t settle = 5 * kFrame;
  const size_t n = out.size() - settle;
  EXPECT_NEAR(signals::ZeroCrossingHz(&out[settle], n), 1000.0, 15.0);
  EXPECT_NEAR(LevelDb(out, settle, out.size()), LevelDb(in, 0, in.size()), 2.0);
}

TEST_F(H323G7231Test, SpeechRoundTripThroughTheCodecsMatchesTheEngine) {
  const Samples& speech = g7231test::Speech();
  ASSERT_FALSE(speech.empty()) << "espeak-ng and sox are needed to make the speech fixture";
  const std::vector<Bytes> coded = EncodeThroughCodec(speech);
  ASSERT_EQ(coded.size(), speech.size() / kFrame);
  const Bytes stream = Join(coded);
  EXPECT_EQ(stream, g7231test::EncodeAll(speech, false));

  // Packets of four frames of whatever types the pauses gave.
  std::vector<Bytes> packets;
  for (size_t i = 0; i < coded.size(); i += 4) packets.push_back(Join(coded, i, 4));
  const Samples out = DecodeThroughCodec(packets);
  ASSERT_EQ(out.size(), speech.size());
  EXPECT_EQ(out, g7231test::DecodeAll(stream));
  EXPECT_GT(g7231test::SegmentalSnr(speech, out), 5.0);
  EXPECT_NEAR(LevelDb(out, 60, out.size()), LevelDb(speech, 0, speech.size() - 60), 1.5);
}

TEST_F(H323G7231Test, PayloadsOfMixedFrameTypesSplitAtEveryFrame) {
  const std::vector<Bytes> f = OneFrameOfEachType();
  for (int t = 0; t < 4; ++t) ASSERT_EQ(f[t].size(), (std::vector<size_t>{24, 20, 4, 1})[t]) << t;

  const std::vector<std::vector<int>> cases = {
      {0, 2, 3},        // speech, SID, untransmitted: 29 bytes
      {0, 1, 2, 3, 3},  // both speech rates
      {3, 3, 3, 3},     // four untransmitted frames in four bytes
      {2, 0},           // a SID frame before speech
  };
  for (const auto& types : cases) {
    std::vector<Bytes> frames;
    for (int t : types) frames.push_back(f[t]);
    g7231::WrkRate = g7231::Rate63;
    const Samples out = DecodeThroughCodec({Join(frames)});
    g7231::WrkRate = g7231::Rate63;
    // Every frame plays a whole 30 ms, and the same samples as when decoded one by one.
    EXPECT_EQ(out.size(), types.size() * kFrame) << types.size();
    EXPECT_EQ(out, g7231test::DecodeAll(Join(frames))) << types.size();
  }
}

TEST_F(H323G7231Test, TruncatedPayloadsAreNotReadPastTheirEnd) {
  const std::vector<Bytes> f = OneFrameOfEachType();
  struct Case {
    const char* what;
    Bytes payload;
    size_t frames;
  };
  auto cut = [](Bytes b, size_t n) {
    b.resize(n);
    return b;
  };
  const Case cases[] = {
      {"speech cut to 10 bytes", cut(f[0], 10), 1},
      {"speech cut to 1 byte", cut(f[0], 1), 1},
      {"speech then 3 bytes of 5.3 kbit/s speech", Join({f[0], cut(f[1], 3)}), 2},
      {"speech then half a SID", Join({f[0], cut(f[2], 2)}), 2},
      {"SID then 23 bytes of speech", Join({f[2], cut(f[0], 23)}), 2},
  };
  for (const Case& c : cases) {
    const Samples out = DecodeThroughCodec({c.payload});
    EXPECT_EQ(out.size(), c.frames * kFrame) << c.what;
  }
}

TEST_F(H323G7231Test, BuildingTheOtherDirectionLeavesTheEncoderStreamAlone) {
  const Samples in = signals::Tone(440, 6000, 12 * kFrame);
  const Bytes alone = g7231test::EncodeAll(in, false);

  auto* channel = new MemoryChannel;
  channel->Feed(in);
  H323_G7231Codec encoder(H323Codec::Encoder);
  encoder.AttachChannel(channel);
  Bytes stream;
  uint8_t buffer[24];
  unsigned length = 0;
  bool marker = false;
  std::unique_ptr<H323_G7231Codec> decoder;
  for (size_t i = 0; encoder.Read(buffer, length, marker); ++i) {
    if (i == 6) decoder = std::make_unique<H323_G7231Codec>(H323Codec::Decoder);  // the call's other direction opens
    stream.insert(stream.end(), buffer, buffer + length);
  }
  EXPECT_EQ(stream, alone);
}

}  // namespace
