// One decoding direction of the speech coder.  The coder's state is process-wide, so this
// object owns nothing: building it re-initialises the decoder state (with comfort noise),
// and Decode turns one received frame into 240 samples.
#pragma once

#include <cstddef>
#include <cstdint>

namespace g7231 {

class G7231Decoder {
 public:
  static constexpr std::size_t kSamples = 240;
  static constexpr std::size_t kMaxBytes = 24;

  G7231Decoder();

  // Decodes the frame at the start of the len bytes given and returns how many bytes it
  // took (its length by its type bits, at most len).  The bytes are copied into a cleared
  // 24-byte frame first, so nothing past len is read; a frame cut short by the end of the
  // data is concealed like a lost one.  Always writes 240 samples.
  std::size_t Decode(const std::uint8_t* frame, std::size_t len, std::int16_t* samples);
};

}  // namespace g7231
