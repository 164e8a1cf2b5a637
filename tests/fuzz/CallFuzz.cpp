// Fuzz target: the whole path of an incoming call over loopback TCP.  Each input is the
// byte stream a caller sends on a new connection to the answering endpoint's listener
// (TPKT, Q.931, H.225 with fast start and tunnelled H.245); the caller then ends its side
// and the run waits until the endpoint has cleared the call and closed the connection.

#include <cstddef>
#include <cstdint>

#include "tests/fuzz/CallCapture.h"
#include "tests/fuzz/FuzzSeeds.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::CallHarness::Get();
  if (std::getenv("VARLO_FUZZ_SEEDS") == nullptr) return 0;
  const auto setup = fuzz::CapturedSetup();
  const auto h245 = fuzz::CapturedH245();
  std::vector<fuzz::Bytes> seeds;
  const auto packets = fuzz::CallerPackets(17, fuzz::FastStartOf(setup), h245);
  seeds.push_back(packets[0]);
  fuzz::Bytes whole;
  for (const auto& p : packets) whole.insert(whole.end(), p.begin(), p.end());
  seeds.push_back(whole);
  fuzz::Bytes captured = setup;
  captured.insert(captured.end(), packets[2].begin(), packets[2].end());
  seeds.push_back(captured);
  seeds.push_back(packets[1]);  // a Facility before any Setup
  fuzz::WriteSeedsWhenAsked(seeds);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::CallHarness::Get().Call(fuzz::Bytes(data, data + size));
  return 0;
}
