// Encoding and decoding speed of a registration request and of a full capability set.

#include <benchmark/benchmark.h>

#include <vector>

#include "SampleMessages.h"

namespace {

template <class Message>
void Encode(benchmark::State& state, const Message& msg) {
  std::vector<uint8_t> out;
  for (auto _ : state) {
    bool ok = msg.Encode(out);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * out.size()));
}

template <class Message>
void Decode(benchmark::State& state, const Message& msg) {
  std::vector<uint8_t> bytes;
  if (!msg.Encode(bytes)) {
    state.SkipWithError("cannot encode the sample");
    return;
  }
  for (auto _ : state) {
    Message back;
    bool ok = back.Decode(bytes);
    benchmark::DoNotOptimize(ok);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_EncodeRegistrationRequest(benchmark::State& state) {
  Encode(state, sample::RegistrationRequest());
}
void BM_DecodeRegistrationRequest(benchmark::State& state) {
  Decode(state, sample::RegistrationRequest());
}
void BM_EncodeTerminalCapabilitySet(benchmark::State& state) {
  Encode(state, sample::FullTerminalCapabilitySet());
}
void BM_DecodeTerminalCapabilitySet(benchmark::State& state) {
  Decode(state, sample::FullTerminalCapabilitySet());
}

BENCHMARK(BM_EncodeRegistrationRequest);
BENCHMARK(BM_DecodeRegistrationRequest);
BENCHMARK(BM_EncodeTerminalCapabilitySet);
BENCHMARK(BM_DecodeTerminalCapabilitySet);

}  // namespace
