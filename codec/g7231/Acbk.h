// Pitch side of the coder: open-loop pitch estimate, harmonic noise weighting, closed-loop
// adaptive codebook search and decoding, and the decoder's concealment of erased frames.
#pragma once

#include "codec/g7231/Typedef.h"

namespace g7231 {

Word16 Estim_Pitch(const Word16* Dpnt, Word16 Start);
PWDEF Comp_Pw(const Word16* Dpnt, Word16 Start, Word16 Olp);
void Filt_Pw(Word16* DataBuff, const Word16* Dpnt, Word16 Start, PWDEF Pw);
void Find_Acbk(Word16* Tv, const Word16* ImpResp, const Word16* PrevExc, LINEDEF* Line, Word16 Sfc, Crate rate);
void Get_Rez(Word16* Tv, const Word16* PrevExc, Word16 Lag);
void Decod_Acbk(Word16* Tv, const Word16* PrevExc, Word16 Olp, Word16 Lid, Word16 Gid, Crate rate);
Word16 Comp_Info(Word16* Buff, Word16 Olp, Word16* Gain, Word16* ShGain);
void Regen(Word16* DataBuff, Word16* Buff, Word16 Lag, Word16 Gain, Word16 Ecount, Word16* Sd);

}  // namespace g7231
