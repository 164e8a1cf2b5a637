// Fuzz target: received G.723.1 payloads (frames of both rates, silence descriptors and
// damaged frames) through the call's decoding codec.

#include "codec/g7231/H323_G7231Codec.h"
#include "tests/fuzz/CodecFuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (std::getenv("VARLO_FUZZ_SEEDS") != nullptr) {
    H323_G7231Codec encoder(H323Codec::Encoder);
    fuzz::WriteSeedsWhenAsked(fuzz::EncodedSeeds(encoder, encoder.Samples()));
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  H323_G7231Codec decoder(H323Codec::Decoder);
  fuzz::DecodePayloads(decoder, data, size);
  return 0;
}
