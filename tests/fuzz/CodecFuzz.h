// Fuzz target body shared by the audio codecs: each piece of the input (FuzzSeeds.h) is
// one received RTP payload, decoded frame by frame as a call's receiving codec does.
#pragma once

#include <cstddef>
#include <cstdint>

#include "stack/codec/H323FramedAudioCodec.h"
#include "tests/fuzz/FuzzSeeds.h"
#include "tests/fuzz/NullChannel.h"

namespace fuzz {

inline void DecodePayloads(H323FramedAudioCodec& codec, const uint8_t* data, size_t size) {
  codec.AttachChannel(new NullChannel, true);
  Pieces pieces(data, size);
  Bytes payload;
  while (pieces.Next(payload)) {
    unsigned written = 0;
    (void)codec.Write(payload.data(), static_cast<unsigned>(payload.size()), written);
  }
}

// Seeds: payloads the codec's own encoder made from a tone, one to four frames each.
inline std::vector<Bytes> EncodedSeeds(H323FramedAudioCodec& encoder, int16_t* samples) {
  std::vector<Bytes> seeds;
  Bytes stream;
  unsigned phase = 0;
  for (unsigned frames = 1; frames <= 4; ++frames) {
    Bytes payload;
    for (unsigned f = 0; f < frames; ++f) {
      for (unsigned i = 0; i < encoder.GetSamplesPerFrame(); ++i, ++phase)
        samples[i] = static_cast<int16_t>((phase * 37 % 200) * 80 - 8000);
      Bytes frame(encoder.GetBytesPerFrame());
      unsigned length = 0;
      if (encoder.EncodeFrame(frame.data(), length)) payload.insert(payload.end(), frame.begin(), frame.begin() + length);
    }
    Pieces::Append(stream, payload);
    Bytes single;
    Pieces::Append(single, payload);
    seeds.push_back(single);
  }
  seeds.push_back(stream);
  return seeds;
}

}  // namespace fuzz
