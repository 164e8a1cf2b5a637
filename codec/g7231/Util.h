// Small helpers shared by the encoder, the decoder and comfort noise.
#pragma once

#include "codec/g7231/Typedef.h"

namespace g7231 {

// Scales the vector so that its largest magnitude lies in 0x0800..0x0FFF; returns the shift.
Word16 Vec_Norm(Word16* Vect, Word16 Len);
// Appends the frame to the look-ahead and delays the frame by one subframe.
void Mem_Shift(Word16* PrevDat, Word16* DataBuff);
// Energy of one subframe of 60 samples.
Word32 Comp_En(const Word16* Dpnt);
Word16 Sqrt_lbc(Word32 Num);
Word16 Rand_lbc(Word16* p);

}  // namespace g7231
