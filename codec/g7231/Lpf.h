// Decoder pitch postfilter: a one-tap filter per subframe that looks back into the past
// excitation or forward into the rest of the frame.
#pragma once

#include "codec/g7231/Typedef.h"

namespace g7231 {

PFDEF Comp_Lpf(const Word16* Buff, Word16 Olp, Word16 Sfc, Crate rate);
Word16 Find_B(const Word16* Buff, Word16 Olp, Word16 Sfc);
Word16 Find_F(const Word16* Buff, Word16 Olp, Word16 Sfc);
PFDEF Get_Ind(Word16 Ind, Word16 Ten, Word16 Ccr, Word16 Enr, Crate rate);
void Filt_Lpf(Word16* Tv, const Word16* Buff, PFDEF Pf, Word16 Sfc);

}  // namespace g7231
