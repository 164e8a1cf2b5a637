#include "codec/g7231/G7231Decoder.h"

#include <algorithm>

#include "codec/g7231/Bitstream.h"
#include "codec/g7231/Cng.h"
#include "codec/g7231/Decod.h"

namespace g7231 {

G7231Decoder::G7231Decoder() {
  Init_Decod();
  Init_Dec_Cng();
}

std::size_t G7231Decoder::Decode(const std::uint8_t* frame, std::size_t len, std::int16_t* samples) {
  unsigned char buf[kMaxBytes] = {};
  const std::size_t avail = std::min(len, kMaxBytes);
  std::copy(frame, frame + avail, buf);
  const std::size_t need = avail == 0 ? kMaxBytes : FrameLength(buf[0]);
  const Word16 erased = avail < need ? 1 : 0;
  Decod(samples, buf, erased);
  return std::min(need, avail);
}

}  // namespace g7231
