// Silence compression: voice activity detection, the encoder's SID coding and the comfort
// noise that encoder and decoder generate in step.
#pragma once

#include "codec/g7231/Typedef.h"

namespace g7231 {

void Init_Vad();
void Init_Cod_Cng();
void Init_Dec_Cng();

// 1 for an active frame, 0 for an inactive one.
Flag Comp_Vad(const Word16* Dpnt);
void Update_Acf(const Word16* Acf_sf, const Word16* ShAcf_sf);
void Cod_Cng(Word16* DataExc, Word16* Ftyp, LINEDEF* Line, Word16* QntLpc);
void ComputePastAvFilter(Word16* Coeff);
void CalcRC(const Word16* Coeff, Word16* RC, Word16* ShRC);
Flag LpcDiff(const Word16* RC, Word16 ShRC, const Word16* ptrAcf, Word16 alpha);
Word16 Qua_SidGain(const Word16* Ener, const Word16* shEner, Word16 nq);
Word16 Dec_SidGain(Word16 i_gain);
void Calc_Exc_Rand(Word16 cur_gain, Word16* PrevExc, Word16* DataExc, Word16* nRandom, LINEDEF* Line);
void Dec_Cng(Word16 Ftyp, LINEDEF* Line, Word16* DataExc, Word16* QntLpc);

}  // namespace g7231
