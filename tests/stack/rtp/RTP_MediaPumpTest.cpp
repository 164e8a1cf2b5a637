#include "stack/rtp/RTP_MediaPump.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "stack/codec/H323_GSM0610Codec.h"
#include "stack/rtp/RTP_UDP.h"
#include "tests/stack/codec/MemoryChannel.h"
#include "tests/stack/codec/Signals.h"
#include "tests/stack/rtp/WireCapture.h"

namespace {

using namespace std::chrono_literals;

struct Sent {
  unsigned payload;
  uint32_t timestamp;
  bool marker;
};

// Runs a transmitting pump over `input` (it stops when the input runs out) and returns
// what reached the wire.
std::vector<Sent> Transmit(const std::vector<int16_t>& input, unsigned framesPerPacket,
                           H323AudioCodec::SilenceDetectionMode mode) {
  WireCapture wire;
  RTP_UDP session(1);
  EXPECT_TRUE(session.Open(PIPSocket::Address::GetLoopback(), 0, 0));
  session.SetRemoteSocketInfo(PIPSocket::Address::GetLoopback(), wire.Port(), true);
  auto codec = std::make_unique<H323_GSM0610Codec>(H323Codec::Encoder);
  auto* mic = new MemoryChannel;
  mic->Feed(input);
  codec->AttachChannel(mic);
  codec->SetSilenceDetectionMode(mode);
  RTP_MediaPump::Settings settings;
  settings.framesPerPacket = framesPerPacket;
  RTP_MediaPump pump(session, std::move(codec), settings);
  EXPECT_TRUE(pump.Start());
  for (int i = 0; i < 200 && pump.IsRunning(); ++i) std::this_thread::sleep_for(5ms);
  pump.Stop();
  std::this_thread::sleep_for(50ms);
  std::vector<Sent> sent;
  for (const auto& bytes : wire.Packets()) {
    RTP_DataFrame f;
    if (!f.SetPacket(bytes.data(), static_cast<unsigned>(bytes.size())) || f.GetPayloadType() != 3) continue;
    sent.push_back({f.GetPayloadSize(), f.GetTimestamp(), f.GetMarker()});
  }
  return sent;
}

TEST(RTP_MediaPump, FramesPerPacketSetThePayloadAndTimestampStep) {
  for (unsigned frames : {1u, 4u, 7u}) {
    const auto sent = Transmit(signals::Tone(1000, 8000, 160 * 28), frames, H323AudioCodec::NoSilenceDetection);
    ASSERT_EQ(sent.size(), 28 / frames) << frames;
    for (size_t i = 0; i < sent.size(); ++i) {
      EXPECT_EQ(sent[i].payload, 33 * frames);
      EXPECT_EQ(sent[i].marker, i == 0);
      if (i > 0) {
        EXPECT_EQ(sent[i].timestamp - sent[i - 1].timestamp, 160 * frames);
      }
    }
  }
}

TEST(RTP_MediaPump, SilenceIsNotSentAndSpeechAfterItIsMarked) {
  using namespace signals;
  auto input = Concat(Tone(1000, 8000, 160 * 20), std::vector<int16_t>(160 * 30, 0));
  input = Concat(input, Tone(1000, 8000, 160 * 20));
  const auto sent = Transmit(input, 4, H323AudioCodec::AdaptiveSilenceDetection);
  ASSERT_GE(sent.size(), 10u);
  std::vector<size_t> marked;
  for (size_t i = 0; i < sent.size(); ++i)
    if (sent[i].marker) marked.push_back(i);
  ASSERT_EQ(marked.size(), 2u);
  // The second burst starts 50 frames after the first, whatever was dropped between.
  EXPECT_EQ(sent[marked[1]].timestamp - sent[0].timestamp, 160u * 50);
  // Far fewer packets than the 70 frames would fill.
  EXPECT_LT(sent.size(), 70u / 4);
}

}  // namespace
