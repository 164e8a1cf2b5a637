// Fuzz target: H.245 messages on a call's connection.  Each input is a list of pieces
// (FuzzSeeds.h), each one a MultimediaSystemControlMessage that a caller tunnels in a
// Facility after its Setup; the caller then ends its side and the run waits until the
// call has been cleared.

#include <cstddef>
#include <cstdint>

#include "tests/fuzz/CallCapture.h"
#include "tests/fuzz/FuzzSeeds.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::CallHarness::Get();
  if (std::getenv("VARLO_FUZZ_SEEDS") == nullptr) return 0;
  const auto h245 = fuzz::CapturedH245();
  const auto fastStart = fuzz::FastStartOf(fuzz::CapturedSetup());
  std::vector<fuzz::Bytes> seeds;
  fuzz::Bytes all;
  for (const auto& m : h245) {
    fuzz::Bytes one;
    fuzz::Pieces::Append(one, m);
    seeds.push_back(one);
    fuzz::Pieces::Append(all, m);
  }
  seeds.push_back(all);
  // Channel proposals, which the endpoint reads as OpenLogicalChannel requests.
  if (!fastStart.empty()) {
    fuzz::Bytes one;
    fuzz::Pieces::Append(one, fastStart.front());
    seeds.push_back(one);
  }
  fuzz::WriteSeedsWhenAsked(seeds);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const uint16_t ref = 23;
  fuzz::Bytes stream = fuzz::CallerPackets(ref, {}, {})[0];
  fuzz::Pieces pieces(data, size);
  fuzz::Bytes piece;
  while (pieces.Next(piece)) {
    H323SignalPDU facility = fuzz::CallerMessage(Q931::FacilityMsg, H323UserInformation::e_facility, ref);
    facility.m_userInfo.h245Control = {piece};
    const auto packet = fuzz::Framed(facility);
    stream.insert(stream.end(), packet.begin(), packet.end());
  }
  fuzz::CallHarness::Get().Call(stream);
  return 0;
}
