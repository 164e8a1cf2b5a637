// Fixed (innovation) codebooks: multipulse MP-MLQ at 6.3 kbit/s and algebraic ACELP at
// 5.3 kbit/s, with the search of the encoder and the unpacking of the decoder.
#pragma once

#include "codec/g7231/Typedef.h"

namespace g7231 {

struct BESTDEF {
  Word32 MaxErr = 0;
  Word16 GridId = 0;
  Word16 MampId = 0;
  Word16 UseTrn = 0;
  Word16 Ploc[6] = {};
  Word16 Pamp[6] = {};
};

void Find_Fcbk(Word16* Dpnt, Word16* ImpResp, LINEDEF* Line, Word16 Sfc, Crate rate);
void Gen_Trn(Word16* Dst, const Word16* Src, Word16 Olp);
void Find_Best(BESTDEF* Best, const Word16* Tv, const Word16* ImpResp, Word16 Np, Word16 Olp);
void Fcbk_Pack(const Word16* Dpnt, SFSDEF* Sfs, const BESTDEF* Best, Word16 Np);
void Fcbk_Unpk(Word16* Tv, SFSDEF Sfs, Word16 Olp, Word16 Sfc, Crate rate);

Word16 Find_Acelp(const Word16* Tv, Word16* ImpResp, Word16 T0, Word16* Dpnt, Word16* Mamp,
                  Word16* Grid, Word16* Pamp, Word16 Gain);
// Correlations of the impulse response between every pair of the 32 even pulse positions
// 0..62 (index p / 2); positions 60 and 62 lie past the subframe and correlate to 0.
void Cor_h(const Word16* H, Word16 (*rr)[32]);
void Cor_h_X(const Word16* H, const Word16* X, Word16* D);
Word16 D4i64_LBC(Word16* Dn, Word16 (*rr)[32], const Word16* h, Word16* cod, Word16* y,
                 Word16* code_shift, Word16* sign);
Word16 G_code(const Word16* X, const Word16* Y, Word16* gain_q);
// Gives the algebraic search of the next frame its full budget.
void reset_max_time();

}  // namespace g7231
