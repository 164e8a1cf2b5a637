// Decoder frame loop, synthesis filter, formant postfilter and gain scaling.
#pragma once

#include "codec/g7231/Typedef.h"

namespace g7231 {

void Init_Decod();
// Decodes one frame (24 bytes are read) into 240 samples.
Flag Decod(Word16* DataBuff, const unsigned char* Vinp, Word16 Crc);
void Synt(Word16* Dpnt, const Word16* Lpc);
Word32 Spf(Word16* Tv, const Word16* Lpc);
void Scale(Word16* Tv, Word32 Sen);

}  // namespace g7231
