// Encoding and decoding speed of a registration request, a full capability set and a call
// set-up's user-user information, beside erlang's asn1 codec on the same octets: the
// counter "x_erlang" is how many times faster than erlang this side is (erlang's figures
// are taken once, in the first benchmark's set-up, by oracle/asn_bench.escript).

#include <benchmark/benchmark.h>

#include <unistd.h>

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
    auto run = testing_tools::RunProcess(
        {"escript", VARLO_ASN_BENCH_SCRIPT, VARLO_ASN_BENCH_DIR, "All"}, input);
    std::istringstream lines(run.out);
    for (const auto& [type, bytes] : messages) {
      std::string ok;
      ErlangFigures f;
      if (lines >> ok >> f.decodeNs >> f.encodeNs && ok == "ok") out[type] = f;
    }
    return out;
  }();
  return figures;
}

void Compare(benchmark::State& state, const std::string& erlangType, bool decode) {
  auto it = Erlang().find(erlangType);
  if (it == Erlang().end() || state.iterations() == 0) return;
  double erlangNs = decode ? it->second.decodeNs : it->second.encodeNs;
  state.counters["erlang_ns"] = erlangNs;
  state.counters["x_erlang"] = benchmark::Counter(
      erlangNs * 1e-9 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

template <class Message>
void Encode(benchmark::State& state, const Message& msg, const std::string& erlangType) {
  Erlang();
  std::vector<uint8_t> out;
  for (auto _ : state) {
    bool ok = msg.Encode(out);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * out.size()));
  Compare(state, erlangType, false);
}

template <class Message>
void Decode(benchmark::State& state, const Message& msg, const std::string& erlangType) {
  Erlang();
  std::vector<uint8_t> bytes = Encoding(msg);
  if (bytes.empty()) {
    state.SkipWithError("cannot encode the sample");
    return;
  }
  for (auto _ : state) {
    Message back;
    bool ok = back.Decode(bytes);
    benchmark::DoNotOptimize(ok);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
  Compare(state, erlangType, true);
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
