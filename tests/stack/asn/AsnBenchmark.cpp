// Encoding and decoding speed of a registration request, a full capability set and a call
// set-up's user-user information, beside erlang's asn1 codec on the same octets: the
// counter "x_erlang" is how many times faster than erlang this side is (erlang's figures
// are taken once, in the first benchmark's set-up, by oracle/asn_bench.escript: the
// quickest of five rounds in each of three starts).

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "ErlangOracle.h"
#include "ProcessRunner.h"
#include "SampleMessages.h"

namespace {

struct ErlangFigures {
  double decodeNs = 0;
  double encodeNs = 0;
};

std::vector<uint8_t> Encoding(const asn::Object& msg) {
  std::vector<uint8_t> bytes;
  if (!msg.Encode(bytes)) bytes.clear();
  return bytes;
}

// Erlang's mean times per message, keyed by its type name there; empty without erlang.
const std::map<std::string, ErlangFigures>& Erlang() {
  static const std::map<std::string, ErlangFigures> figures = [] {
    std::map<std::string, ErlangFigures> out;
    std::string beam = std::string(VARLO_ASN_BENCH_DIR) + "/All.beam";
    if (testing_tools::FindProgram("escript").empty() || access(beam.c_str(), R_OK) != 0) {
      return out;
    }
    const std::pair<const char*, std::vector<uint8_t>> messages[] = {
        {"RasMessage", Encoding(sample::RegistrationRequest())},
        {"MultimediaSystemControlMessage", Encoding(sample::FullTerminalCapabilitySet())},
        {"H323-UserInformation", Encoding(sample::SetupUserInformation())},
    };
    std::string input;
    for (const auto& [type, bytes] : messages) {
      input += std::string(type) + " " + testing_tools::ToHex(bytes) + " 20000\n";
    }
    // Erlang's speed differs from one start of it to the next by up to half: the
    // quickest of three starts is taken.
    for (int start = 0; start < 3; ++start) {
      auto run = testing_tools::RunProcess(
          {"escript", VARLO_ASN_BENCH_SCRIPT, VARLO_ASN_BENCH_DIR, "All"}, input);
      std::istringstream lines(run.out);
      for (const auto& [type, bytes] : messages) {
        std::string ok;
        ErlangFigures f;
        if (!(lines >> ok >> f.decodeNs >> f.encodeNs) || ok != "ok") continue;
        auto [it, fresh] = out.try_emplace(type, f);
        if (!fresh) {
          it->second.decodeNs = std::min(it->second.decodeNs, f.decodeNs);
          it->second.encodeNs = std::min(it->second.encodeNs, f.encodeNs);
        }
      }
    }
    return out;
  }();
  return figures;
}

using Clock = std::chrono::steady_clock;

// `elapsed` is this side's time for all the iterations.
void Compare(benchmark::State& state, const std::string& erlangType, bool decode,
             Clock::duration elapsed) {
  auto it = Erlang().find(erlangType);
  if (it == Erlang().end() || state.iterations() == 0) return;
  double erlangNs = decode ? it->second.decodeNs : it->second.encodeNs;
  double ourNs = std::chrono::duration<double, std::nano>(elapsed).count() /
                 static_cast<double>(state.iterations());
  state.counters["erlang_ns"] = erlangNs;
  state.counters["x_erlang"] = ourNs > 0 ? erlangNs / ourNs : 0;
}

template <class Message>
void Encode(benchmark::State& state, const Message& msg, const std::string& erlangType) {
  Erlang();
  std::vector<uint8_t> out;
  auto start = Clock::now();
  for (auto _ : state) {
    bool ok = msg.Encode(out);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(out.data());
  }
  auto elapsed = Clock::now() - start;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * out.size()));
  Compare(state, erlangType, false, elapsed);
}

template <class Message>
void Decode(benchmark::State& state, const Message& msg, const std::string& erlangType) {
  Erlang();
  std::vector<uint8_t> bytes = Encoding(msg);
  if (bytes.empty()) {
    state.SkipWithError("cannot encode the sample");
    return;
  }
  auto start = Clock::now();
  for (auto _ : state) {
    Message back;
    bool ok = back.Decode(bytes);
    benchmark::DoNotOptimize(ok);
  }
  auto elapsed = Clock::now() - start;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
  Compare(state, erlangType, true, elapsed);
}

void BM_EncodeRegistrationRequest(benchmark::State& state) {
  Encode(state, sample::RegistrationRequest(), "RasMessage");
}
void BM_DecodeRegistrationRequest(benchmark::State& state) {
  Decode(state, sample::RegistrationRequest(), "RasMessage");
}
void BM_EncodeTerminalCapabilitySet(benchmark::State& state) {
  Encode(state, sample::FullTerminalCapabilitySet(), "MultimediaSystemControlMessage");
}
void BM_DecodeTerminalCapabilitySet(benchmark::State& state) {
  Decode(state, sample::FullTerminalCapabilitySet(), "MultimediaSystemControlMessage");
}
void BM_EncodeSetup(benchmark::State& state) {
  Encode(state, sample::SetupUserInformation(), "H323-UserInformation");
}
void BM_DecodeSetup(benchmark::State& state) {
  Decode(state, sample::SetupUserInformation(), "H323-UserInformation");
}

BENCHMARK(BM_EncodeRegistrationRequest);
BENCHMARK(BM_DecodeRegistrationRequest);
BENCHMARK(BM_EncodeTerminalCapabilitySet);
BENCHMARK(BM_DecodeTerminalCapabilitySet);
BENCHMARK(BM_EncodeSetup);
BENCHMARK(BM_DecodeSetup);

}  // namespace
