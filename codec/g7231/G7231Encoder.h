// One encoding direction of the speech coder.  The coder's state is process-wide, so this
// object owns nothing: building it re-initialises the encoder state (with voice activity
// detection and comfort noise), and Encode codes one 30 ms frame of 240 samples.
#pragma once

#include <cstddef>
#include <cstdint>

namespace g7231 {

class G7231Encoder {
 public:
  static constexpr std::size_t kSamples = 240;
  static constexpr std::size_t kMaxBytes = 24;

  G7231Encoder();

  // Writes the frame into out (24 writable bytes, also for shorter frame types) and
  // returns its length: 24 or 20 for speech, 4 for a SID frame, 1 for an untransmitted one.
  std::size_t Encode(const std::int16_t* samples, std::uint8_t* out);
};

}  // namespace g7231
