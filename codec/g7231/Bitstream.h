// The coded frame: four frame types told apart by the two low bits of the first byte
// (24, 20, 4 and 1 bytes), every field least significant bit first.
#pragma once

#include <cstddef>

#include "codec/g7231/Typedef.h"

namespace g7231 {

// Packs one frame of the given frame type code at the given rate; clears 24 bytes first.
void Line_Pack(const LINEDEF* Line, unsigned char* Vout, Word16 Ftyp, Crate rate);
// Unpacks 24 bytes; sets the working rate from every speech frame.
LINEDEF Line_Unpk(const unsigned char* Vinp, Word16* Ftyp, Word16 Crc);

// Length in bytes of the frame whose first byte is given.
std::size_t FrameLength(unsigned char first);

}  // namespace g7231
