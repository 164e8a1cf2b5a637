// Time to code and decode one 30 ms frame at each rate.  At 6.3 kbit/s libavcodec's coder
// runs beside ours in the same process on the same frames (the same input for the encoders,
// our bitstream for the decoders), in rounds whose order alternates; "ratio" is our time
// over libavcodec's.  Every frame is coded as speech (silence compression off), as
// libavcodec codes it: the worst case.
#include <benchmark/benchmark.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include <cmath>
#include <cstring>
#include <memory>

#include "codec/g7231/Bitstream.h"
#include "codec/g7231/G7231Decoder.h"
#include "codec/g7231/G7231Encoder.h"
#include "codec/g7231/State.h"
#include "tests/codec/g7231/Audio.h"
#include "tests/support/AlternatedRounds.h"

namespace {

using g7231test::Bytes;
using g7231test::Samples;

const Samples& Input() {
  static const Samples in = [] {
    Samples s = g7231test::Speech();
    if (s.empty()) {  // no speech synthesiser: a vowel-like mixture instead
      s.resize(200 * 240);
      for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>(4000 * std::sin(i * 0.18) + 2000 * std::sin(i * 0.61));
    }
    return s;
  }();
  return in;
}

struct ContextFree {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using Context = std::unique_ptr<AVCodecContext, ContextFree>;
using Frame = std::unique_ptr<AVFrame, FrameFree>;
using Packet = std::unique_ptr<AVPacket, PacketFree>;

Context OpenLavc(bool encoder) {
  const AVCodec* codec =
      encoder ? avcodec_find_encoder(AV_CODEC_ID_G723_1) : avcodec_find_decoder(AV_CODEC_ID_G723_1);
  if (codec == nullptr) return nullptr;
  Context ctx(avcodec_alloc_context3(codec));
  ctx->sample_rate = 8000;
  av_channel_layout_default(&ctx->ch_layout, 1);
  if (encoder) {
    ctx->sample_fmt = AV_SAMPLE_FMT_S16;
    ctx->bit_rate = 6300;
  }
  if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return nullptr;
  return ctx;
}

void BM_Encode63(benchmark::State& state) {
  const Samples& in = Input();
  const std::size_t frames = in.size() / 240;
  Context ctx = OpenLavc(true);
  Frame frame(av_frame_alloc());
  Packet packet(av_packet_alloc());
  if (!ctx) {
    state.SkipWithError("libavcodec has no G.723.1 encoder");
    return;
  }
  frame->nb_samples = 240;
  frame->format = AV_SAMPLE_FMT_S16;
  av_channel_layout_copy(&frame->ch_layout, &ctx->ch_layout);
  frame->sample_rate = 8000;
  if (av_frame_get_buffer(frame.get(), 0) < 0) {
    state.SkipWithError("no frame buffer");
    return;
  }
  g7231::G7231Encoder enc;
  g7231::UseVx = 0;
  g7231::WrkRate = g7231::Rate63;
  std::uint8_t out[24];
  bool failed = false;
  CompareInAlternatedRounds(
      state, frames, "lavc",
      [&] {
        for (std::size_t f = 0; f < frames; ++f) benchmark::DoNotOptimize(enc.Encode(&in[f * 240], out));
      },
      [&] {
        for (std::size_t f = 0; f < frames; ++f) {
          av_frame_make_writable(frame.get());
          std::memcpy(frame->data[0], &in[f * 240], 240 * sizeof(std::int16_t));
          if (avcodec_send_frame(ctx.get(), frame.get()) < 0 || avcodec_receive_packet(ctx.get(), packet.get()) < 0)
            failed = true;
          av_packet_unref(packet.get());
        }
      });
  g7231::UseVx = 1;
  if (failed) state.SkipWithError("libavcodec refused a frame");
}

void BM_Decode63(benchmark::State& state) {
  g7231::UseVx = 0;
  const Bytes stream = g7231test::EncodeAll(Input(), false);
  g7231::UseVx = 1;
  Context ctx = OpenLavc(false);
  if (!ctx) {
    state.SkipWithError("libavcodec has no G.723.1 decoder");
    return;
  }
  std::vector<std::size_t> starts;
  std::vector<Packet> packets;
  for (std::size_t p = 0; p < stream.size(); p += g7231::FrameLength(stream[p])) {
    const int len = static_cast<int>(g7231::FrameLength(stream[p]));
    starts.push_back(p);
    packets.emplace_back(av_packet_alloc());
    av_new_packet(packets.back().get(), len);
    std::memcpy(packets.back()->data, &stream[p], static_cast<std::size_t>(len));
  }
  Frame frame(av_frame_alloc());
  g7231::G7231Decoder dec;
  std::int16_t pcm[240];
  bool failed = false;
  CompareInAlternatedRounds(
      state, starts.size(), "lavc",
      [&] {
        for (std::size_t s : starts) benchmark::DoNotOptimize(dec.Decode(&stream[s], stream.size() - s, pcm));
      },
      [&] {
        for (const auto& p : packets) {
          if (avcodec_send_packet(ctx.get(), p.get()) < 0 || avcodec_receive_frame(ctx.get(), frame.get()) < 0)
            failed = true;
          av_frame_unref(frame.get());
        }
      });
  g7231::WrkRate = g7231::Rate63;
  if (failed) state.SkipWithError("libavcodec refused a frame");
}

// 5.3 kbit/s, which libavcodec does not code: ours alone.
void BM_Encode53(benchmark::State& state) {
  const Samples& in = Input();
  const std::size_t frames = in.size() / 240;
  g7231::G7231Encoder enc;
  g7231::UseVx = 0;
  std::uint8_t out[24];
  std::size_t f = 0;
  for (auto _ : state) {
    g7231::WrkRate = g7231::Rate53;
    benchmark::DoNotOptimize(enc.Encode(&in[f * 240], out));
    f = (f + 1) % frames;
  }
  g7231::WrkRate = g7231::Rate63;
  g7231::UseVx = 1;
}

void BM_Decode53(benchmark::State& state) {
  g7231::UseVx = 0;
  const Bytes stream = g7231test::EncodeAll(Input(), true);
  g7231::UseVx = 1;
  std::vector<std::size_t> starts;
  for (std::size_t p = 0; p < stream.size(); p += g7231::FrameLength(stream[p])) starts.push_back(p);
  g7231::G7231Decoder dec;
  std::int16_t pcm[240];
  std::size_t f = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(dec.Decode(&stream[starts[f]], stream.size() - starts[f], pcm));
    f = (f + 1) % starts.size();
  }
  g7231::WrkRate = g7231::Rate63;
}

BENCHMARK(BM_Encode63)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode63)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode53)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Decode53)->Unit(benchmark::kMicrosecond);

}  // namespace
