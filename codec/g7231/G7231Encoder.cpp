#include "codec/g7231/G7231Encoder.h"

#include <algorithm>

#include "codec/g7231/Bitstream.h"
#include "codec/g7231/Cng.h"
#include "codec/g7231/Coder.h"
#include "codec/g7231/Fcbk.h"

namespace g7231 {

G7231Encoder::G7231Encoder() {
  Init_Coder();
  Init_Vad();
  Init_Cod_Cng();
}

std::size_t G7231Encoder::Encode(const std::int16_t* samples, std::uint8_t* out) {
  Word16 buf[kSamples];
  std::copy(samples, samples + kSamples, buf);
  reset_max_time();
  Coder(buf, out);
  return FrameLength(out[0]);
}

}  // namespace g7231
