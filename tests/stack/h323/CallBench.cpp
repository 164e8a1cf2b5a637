// Call set-up time on loopback (from MakeCall until both ends run their audio channels)
// and the processor time one second of a GSM call takes (both endpoints, both
// directions, in this process).

#include <benchmark/benchmark.h>
#include <time.h>

#include <thread>

#include "AlsaFixture.h"
#include "AudioEndPoint.h"
#include "tests/stack/codec/Signals.h"

namespace h323test {
namespace {

double ProcessCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void Prepare() {
  AlsaFixture& alsa = AlsaFixture::Get();
  alsa.SetCapture("varlo_in_a", signals::Tone(1000, 8000, 60 * 8000));
  alsa.SetCapture("varlo_in_b", signals::Tone(1000, 8000, 60 * 8000));
}

void BM_CallSetUp(benchmark::State& state) {
  Prepare();
  const bool fastStart = state.range(0) != 0;
  AudioEndPoint a("alice", "varlo_in_a", "varlo_out_a"), b("bob", "varlo_in_b", "varlo_out_b");
  a.DisableFastStart(!fastStart);
  b.DisableFastStart(!fastStart);
  const PString address = b.Listen();
  for (auto _ : state) {
    PString token;
    const size_t before = b.established.size();
    if (a.MakeCall(address, token) == nullptr || !b.WaitEstablished(before + 1) || !WaitChannels(a, token, 2)) {
      state.SkipWithError("call not set up");
      break;
    }
    state.PauseTiming();
    a.ClearCallSynchronous(token);
    // The cleared hook runs before the endpoint drops the connection, so waiting for it on
    // the hook's events would sit out the time-out; this waits on the endpoint's own signal.
    PString bToken;
    {
      std::lock_guard lock(b.events.Mutex());
      bToken = b.established.back();
    }
    b.ClearCallSynchronous(bToken);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_CallSetUp)->Arg(0)->Arg(1)->ArgNames({"fast_start"})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GsmCallCpu(benchmark::State& state) {
  Prepare();
  AudioEndPoint a("alice", "varlo_in_a", "varlo_out_a"), b("bob", "varlo_in_b", "varlo_out_b");
  PString token;
  if (a.MakeCall(b.Listen(), token) == nullptr || !a.WaitEstablished() || !WaitChannels(a, token, 2)) {
    state.SkipWithError("call not set up");
    return;
  }
  double cpu = 0, wall = 0;
  for (auto _ : state) {
    const double c0 = ProcessCpuSeconds();
    const auto w0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    cpu += ProcessCpuSeconds() - c0;
    wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
  }
  state.counters["cpu_ms_per_call_second"] = wall > 0 ? 1000 * cpu / wall : 0;
  a.ClearCallSynchronous(token);
}
BENCHMARK(BM_GsmCallCpu)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace h323test
