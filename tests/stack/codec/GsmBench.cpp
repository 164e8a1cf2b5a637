// GSM 06.10 through our codec beside libgsm called directly, on the same frames, in rounds
// whose order alternates; "ratio" is our time over libgsm's.
#include <benchmark/benchmark.h>
#include <gsm.h>

#include <cstring>
#include <vector>

#include "stack/codec/H323_GSM0610Codec.h"
#include "tests/stack/codec/Signals.h"
#include "tests/support/AlternatedRounds.h"

namespace {

constexpr unsigned kFrames = 250;  // five seconds

const std::vector<int16_t>& Input() {
  static const auto in = signals::Concat(signals::Tone(1000, 8000, kFrames * 80), signals::Noise(3000, kFrames * 80));
  return in;
}

void BM_GsmEncode(benchmark::State& state) {
  const auto& in = Input();
  H323_GSM0610Codec codec(H323Codec::Encoder);
  gsm lib = gsm_create();
  uint8_t out[H323_GSM0610Codec::kBytesPerFrame];
  gsm_frame libOut;
  CompareInAlternatedRounds(
      state, kFrames, "libgsm",
      [&] {
        for (unsigned f = 0; f < kFrames; ++f) {
          std::memcpy(codec.Samples(), &in[f * 160], 160 * sizeof(int16_t));
          unsigned length = 0;
          codec.EncodeFrame(out, length);
          benchmark::DoNotOptimize(out);
        }
      },
      [&] {
        for (unsigned f = 0; f < kFrames; ++f) {
          gsm_signal samples[160];
          std::memcpy(samples, &in[f * 160], sizeof(samples));
          gsm_encode(lib, samples, libOut);
          benchmark::DoNotOptimize(libOut);
        }
      });
  gsm_destroy(lib);
}

void BM_GsmDecode(benchmark::State& state) {
  const auto& in = Input();
  std::vector<gsm_frame> frames(kFrames);
  {
    gsm enc = gsm_create();
    for (unsigned f = 0; f < kFrames; ++f) {
      gsm_signal samples[160];
      std::memcpy(samples, &in[f * 160], sizeof(samples));
      gsm_encode(enc, samples, frames[f]);
    }
    gsm_destroy(enc);
  }
  H323_GSM0610Codec codec(H323Codec::Decoder);
  gsm lib = gsm_create();
  gsm_signal libOut[160];
  CompareInAlternatedRounds(
      state, kFrames, "libgsm",
      [&] {
        for (auto& frame : frames) {
          unsigned written = 0;
          codec.DecodeFrame(frame, H323_GSM0610Codec::kBytesPerFrame, written);
          benchmark::DoNotOptimize(codec.Samples()[0]);
        }
      },
      [&] {
        for (auto& frame : frames) {
          gsm_decode(lib, frame, libOut);
          benchmark::DoNotOptimize(libOut[0]);
        }
      });
  gsm_destroy(lib);
}

BENCHMARK(BM_GsmEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GsmDecode)->Unit(benchmark::kMillisecond);

}  // namespace
