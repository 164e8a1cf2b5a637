// Time to code and decode one 30 ms frame at each rate, beside the peer codec (ffmpeg as a
// program) on the same input.  The peer is timed as a subprocess over a long and a one-frame
// input; the difference removes its start-up cost and leaves its time per frame.  Every
// frame is coded as speech (silence compression off), as the peer codes it: the worst case.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <map>

#include "codec/g7231/Bitstream.h"
#include "codec/g7231/G7231Decoder.h"
#include "codec/g7231/G7231Encoder.h"
#include "codec/g7231/State.h"
#include "tests/codec/g7231/Audio.h"

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

double Seconds(const std::string& command) {
  const auto t0 = std::chrono::steady_clock::now();
  g7231test::Run(command);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Microseconds per frame of the peer's encoder (encode true) or decoder.
double PeerMicrosPerFrame(bool encode) {
  static std::map<bool, double> cache;
  if (auto it = cache.find(encode); it != cache.end()) return it->second;
  g7231test::TempDir dir;
  Samples longIn;
  for (int r = 0; r < 20; ++r) longIn.insert(longIn.end(), Input().begin(), Input().end());
  const Samples shortIn(Input().begin(), Input().begin() + 240);
  g7231test::WriteSamples(dir.Path("long.raw"), longIn);
  g7231test::WriteSamples(dir.Path("short.raw"), shortIn);
  const std::string ff = "ffmpeg -hide_banner -nostdin -loglevel error -y ";
  auto enc = [&](const std::string& name) {
    return ff + "-f s16le -ar 8000 -ac 1 -i " + dir.Path(name + ".raw") +
           " -c:a g723_1 -b:a 6300 -f g723_1 " + dir.Path(name + ".bit");
  };
  auto dec = [&](const std::string& name) {
    return ff + "-f g723_1 -i " + dir.Path(name + ".bit") + " -f s16le " + dir.Path(name + ".out");
  };
  g7231test::Run(enc("long") + " && " + enc("short"));
  if (g7231test::ReadFile(dir.Path("long.bit")).empty()) return cache[encode] = std::nan("");
  double tl = 1e9;
  double ts = 1e9;
  for (int trial = 0; trial < 3; ++trial) {
    tl = std::min(tl, Seconds(encode ? enc("long") : dec("long")));
    ts = std::min(ts, Seconds(encode ? enc("short") : dec("short")));
  }
  const double best = (tl - ts) / static_cast<double>(longIn.size() / 240 - 1);
  return cache[encode] = best * 1e6;
}

void Report(benchmark::State& state, double seconds, std::size_t frames, bool encode, bool rate63) {
  const double ours = seconds / static_cast<double>(frames) * 1e6;
  state.counters["us_per_frame"] = ours;
  if (rate63) {
    const double peer = PeerMicrosPerFrame(encode);
    state.counters["peer_us_per_frame"] = peer;
    state.counters["ratio_to_peer"] = ours / peer;
  }
}

void BM_Encode(benchmark::State& state) {
  const bool rate53 = state.range(0) == 53;
  const Samples& in = Input();
  const std::size_t frames = in.size() / 240;
  g7231::G7231Encoder enc;
  g7231::UseVx = 0;
  std::uint8_t out[24];
  std::size_t f = 0;
  std::size_t done = 0;
  const auto t0 = std::chrono::steady_clock::now();
  for (auto _ : state) {
    g7231::WrkRate = rate53 ? g7231::Rate53 : g7231::Rate63;
    benchmark::DoNotOptimize(enc.Encode(&in[f * 240], out));
    f = (f + 1) % frames;
    ++done;
  }
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  g7231::WrkRate = g7231::Rate63;
  g7231::UseVx = 1;
  Report(state, s, done, true, !rate53);
}

void BM_Decode(benchmark::State& state) {
  const bool rate53 = state.range(0) == 53;
  g7231::UseVx = 0;
  const Bytes stream = g7231test::EncodeAll(Input(), rate53);
  g7231::UseVx = 1;
  std::vector<std::size_t> starts;
  for (std::size_t p = 0; p < stream.size(); p += g7231::FrameLength(stream[p])) starts.push_back(p);
  g7231::G7231Decoder dec;
  std::int16_t pcm[240];
  std::size_t f = 0;
  std::size_t done = 0;
  const auto t0 = std::chrono::steady_clock::now();
  for (auto _ : state) {
    benchmark::DoNotOptimize(dec.Decode(&stream[starts[f]], stream.size() - starts[f], pcm));
    f = (f + 1) % starts.size();
    ++done;
  }
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  g7231::WrkRate = g7231::Rate63;
  Report(state, s, done, false, !rate53);
}

BENCHMARK(BM_Encode)->Arg(63)->Arg(53)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Decode)->Arg(63)->Arg(53)->Unit(benchmark::kMicrosecond);

}  // namespace
