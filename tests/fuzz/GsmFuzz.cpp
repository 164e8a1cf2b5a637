// Fuzz target: received GSM 06.10 payloads through the call's decoding codec.

#include "stack/codec/H323_GSM0610Codec.h"
#include "tests/fuzz/CodecFuzz.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (std::getenv("VARLO_FUZZ_SEEDS") != nullptr) {
    H323_GSM0610Codec encoder(H323Codec::Encoder);
    fuzz::WriteSeedsWhenAsked(fuzz::EncodedSeeds(encoder, encoder.Samples()));
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  H323_GSM0610Codec decoder(H323Codec::Decoder);
  fuzz::DecodePayloads(decoder, data, size);
  return 0;
}
