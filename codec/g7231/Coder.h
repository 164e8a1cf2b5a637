// Encoder frame loop.
#pragma once

#include "codec/g7231/Typedef.h"

namespace g7231 {

void Init_Coder();
// Codes 240 samples (overwritten) into one frame of at most 24 bytes (24 are written).
Flag Coder(Word16* DataBuff, unsigned char* Vout);

}  // namespace g7231
