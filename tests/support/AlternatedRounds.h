// Times our code beside a reference implementation doing the same work, in rounds whose
// order alternates (so that neither always runs on a warm or a cold cache).  Each round
// runs `ours` and `reference` once over `frames` frames.  Counters: "us_per_frame" (ours),
// "<reference>_us_per_frame", and "ratio", our time over the reference's.
#pragma once
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <string>

template <class Ours, class Reference>
void CompareInAlternatedRounds(benchmark::State& state, std::size_t frames, const std::string& referenceName,
                               Ours ours, Reference reference) {
  using Clock = std::chrono::steady_clock;
  double tOurs = 0, tReference = 0;
  bool oursFirst = true;
  auto timed = [](auto&& f) {
    const auto t0 = Clock::now();
    f();
    return std::chrono::duration<double>(Clock::now() - t0).count();
  };
  for (auto _ : state) {
    if (oursFirst) {
      tOurs += timed(ours);
      tReference += timed(reference);
    } else {
      tReference += timed(reference);
      tOurs += timed(ours);
    }
    oursFirst = !oursFirst;
  }
  const double n = static_cast<double>(state.iterations() * frames);
  state.counters["us_per_frame"] = tOurs / n * 1e6;
  state.counters[referenceName + "_us_per_frame"] = tReference / n * 1e6;
  state.counters["ratio"] = tReference > 0 ? tOurs / tReference : 0;
}
