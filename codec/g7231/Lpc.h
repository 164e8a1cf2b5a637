// Encoder analysis: input high-pass, LPC analysis with the sine detector, perceptual
// weighting, impulse response and ringing of the combined filters, and the taming of the
// pitch predictor.
#pragma once

#include "codec/g7231/Typedef.h"

namespace g7231 {

void Rem_Dc(Word16* Dpnt);
// Four unquantised LPC vectors (4 x 10) from the look-ahead and the frame.
void Comp_Lpc(Word16* UnqLpc, const Word16* PrevDat, const Word16* DataBuff);
// Levinson-Durbin recursion of order 10; returns the final prediction error.
Word16 Durbin(Word16* Lpc, const Word16* Corr, Word16 Err, Word16* Pk2);
void Wght_Lpc(Word16* PerLpc, const Word16* UnqLpc);
void Error_Wght(Word16* Dpnt, const Word16* PerLpc);
void Comp_Ir(Word16* ImpResp, const Word16* QntLpc, const Word16* PerLpc, PWDEF Pw);
void Sub_Ring(Word16* Dpnt, const Word16* QntLpc, const Word16* PerLpc, const Word16* PrevErr, PWDEF Pw);
void Upd_Ring(Word16* Dpnt, const Word16* QntLpc, const Word16* PerLpc, Word16* PrevErr);
void Update_Err(Word16 Olp, Word16 AcLg, Word16 AcGn, Crate rate);
Word16 Test_Err(Word16 Lag1, Word16 Lag2);

}  // namespace g7231
