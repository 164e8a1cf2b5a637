#include <algorithm>

#include "codec/g7231/Basop.h"
#include "codec/g7231/Fcbk.h"
#include "codec/g7231/Tables.h"

namespace g7231 {
namespace {

constexpr int kNoTrain = SubFrLen - 2;  // lags from 58 on get no pulse train
constexpr Word16 kMlqSteps = 2;

}  // namespace

void Gen_Trn(Word16* Dst, const Word16* Src, Word16 Olp) {
  Word16 tmp[SubFrLen];
  std::copy(Src, Src + SubFrLen, tmp);
  std::copy(tmp, tmp + SubFrLen, Dst);
  for (int d = Olp; d < SubFrLen; d += Olp) {
    for (int i = d; i < SubFrLen; ++i) Dst[i] = add(Dst[i], tmp[i - d]);
  }
}

void Find_Fcbk(Word16* Dpnt, Word16* ImpResp, LINEDEF* Line, Word16 Sfc, Crate rate) {
  SFSDEF& sfs = Line->Sfs[Sfc];
  const Word16 olp = Line->Olp[Sfc >> 1];
  if (rate == Rate63) {
    const Word16 np = Nb_puls[Sfc];
    BESTDEF best;
    best.MaxErr = static_cast<Word32>(0xC0000000u);
    Find_Best(&best, Dpnt, ImpResp, np, SubFrLen);
    if (olp < kNoTrain) Find_Best(&best, Dpnt, ImpResp, np, olp);
    std::fill(Dpnt, Dpnt + SubFrLen, 0);
    for (int k = 0; k < np; ++k) Dpnt[best.Ploc[k]] = best.Pamp[k];
    Fcbk_Pack(Dpnt, &sfs, &best, np);
    if (best.UseTrn == 1) Gen_Trn(Dpnt, Dpnt, olp);
  } else {
    const Word16 t0 = add(sub(add(olp, sfs.AcL), 1), epsi170[sfs.AcG]);
    sfs.Ppos = Find_Acelp(Dpnt, ImpResp, t0, Dpnt, &sfs.Mamp, &sfs.Grid, &sfs.Pamp, gain170[sfs.AcG]);
    sfs.Tran = 0;
  }
}

void Find_Best(BESTDEF* Best, const Word16* Tv, const Word16* ImpResp, Word16 Np, Word16 Olp) {
  BESTDEF temp;
  Word16 r[SubFrLen];
  if (Olp < kNoTrain) {
    temp.UseTrn = 1;
    Gen_Trn(r, ImpResp, Olp);
  } else {
    temp.UseTrn = 0;
    std::copy(ImpResp, ImpResp + SubFrLen, r);
  }

  Word16 q[SubFrLen];
  for (int i = 0; i < SubFrLen; ++i) q[i] = shr(r[i], 1);
  Word16 ac[SubFrLen];
  Word32 acc = 0;
  for (int i = 0; i < SubFrLen; ++i) acc = L_mac(acc, q[i], q[i]);
  const Word16 n = norm_l(acc);
  ac[0] = round(L_shl(acc, n));
  for (int i = 1; i < SubFrLen; ++i) {
    acc = 0;
    for (int j = i; j < SubFrLen; ++j) acc = L_mac(acc, q[j], q[j - i]);
    ac[i] = round(L_shl(acc, n));
  }

  Word32 bf[SubFrLen];
  const Word16 bshift = sub(n, 4);
  for (int i = 0; i < SubFrLen; ++i) {
    acc = 0;
    for (int j = i; j < SubFrLen; ++j) acc = L_mac(acc, Tv[j], r[j - i]);
    bf[i] = L_shl(acc, bshift);
  }

  for (Word16 g = 0; g < 2; ++g) {
    temp.GridId = g;
    Word32 mx = -1;
    for (int i = g; i < SubFrLen; i += 2) {
      const Word32 a = L_abs(bf[i]);
      if (a >= mx) {
        mx = a;
        temp.Ploc[0] = static_cast<Word16>(i);
      }
    }
    Word16 maxAmpId = NumOfGainLev - kMlqSteps;
    Word32 dmin = 0x40000000;
    for (int i = NumOfGainLev - kMlqSteps; i >= kMlqSteps; --i) {
      const Word32 d = L_abs(L_sub(L_mult(FcbkGainTable[i], ac[0]), mx));
      if (d < dmin) {
        dmin = d;
        maxAmpId = static_cast<Word16>(i);
      }
    }

    for (int k = 0; k < 2 * kMlqSteps; ++k) {
      temp.MampId = static_cast<Word16>(maxAmpId - kMlqSteps + k);
      const Word16 amp = FcbkGainTable[temp.MampId];
      Word32 w[SubFrLen];
      bool occ[SubFrLen] = {};
      std::copy(bf, bf + SubFrLen, w);
      occ[temp.Ploc[0]] = true;
      temp.Pamp[0] = w[temp.Ploc[0]] < 0 ? negate(amp) : amp;
      for (int j = 1; j < Np; ++j) {
        Word32 best = -1;
        for (int l = g; l < SubFrLen; l += 2) {
          if (occ[l]) continue;
          w[l] = L_msu(w[l], temp.Pamp[j - 1], ac[abs_s(static_cast<Word16>(l - temp.Ploc[j - 1]))]);
          const Word32 a = L_abs(w[l]);
          if (a > best) {
            best = a;
            temp.Ploc[j] = static_cast<Word16>(l);
          }
        }
        temp.Pamp[j] = w[temp.Ploc[j]] < 0 ? negate(amp) : amp;
        occ[temp.Ploc[j]] = true;
      }

      // Filtered pulses: the convolution runs over the pulses only, in ascending position
      // order (a zero sample adds nothing to a saturating sum).
      Word16 p[SubFrLen] = {};
      for (int j = 0; j < Np; ++j) p[temp.Ploc[j]] = temp.Pamp[j];
      int at[6];
      int na = 0;
      for (int j = 0; j < SubFrLen; ++j) {
        if (p[j] != 0) at[na++] = j;
      }
      Word16 y[SubFrLen];
      for (int l = 0; l < SubFrLen; ++l) {
        acc = 0;
        for (int k = 0; k < na && at[k] <= l; ++k) acc = L_mac(acc, p[at[k]], r[l - at[k]]);
        y[l] = extract_h(L_shl(acc, 2));
      }
      Word32 score = 0;
      for (int i = 0; i < SubFrLen; ++i) {
        score = L_mac(score, Tv[i], y[i]);
        score = L_sub(score, L_shr(L_mult(y[i], y[i]), 1));
      }
      if (score > Best->MaxErr) {
        Best->MaxErr = score;
        Best->GridId = temp.GridId;
        Best->MampId = temp.MampId;
        Best->UseTrn = temp.UseTrn;
        std::copy(temp.Ploc, temp.Ploc + Np, Best->Ploc);
        std::copy(temp.Pamp, temp.Pamp + Np, Best->Pamp);
      }
    }
  }
}

void Fcbk_Pack(const Word16* Dpnt, SFSDEF* Sfs, const BESTDEF* Best, Word16 Np) {
  int j = 6 - Np;
  Sfs->Pamp = 0;
  Sfs->Ppos = 0;
  for (int i = 0; i < SubFrLen / 2; ++i) {
    const Word16 v = Dpnt[Best->GridId + 2 * i];
    if (v == 0) {
      Sfs->Ppos = L_add(Sfs->Ppos, CombinatorialTable[j][i]);
    } else {
      Sfs->Pamp = shl(Sfs->Pamp, 1);
      if (v < 0) Sfs->Pamp = add(Sfs->Pamp, 1);
      if (++j == 6) break;
    }
  }
  Sfs->Mamp = Best->MampId;
  Sfs->Grid = Best->GridId;
  Sfs->Tran = Best->UseTrn;
}

void Fcbk_Unpk(Word16* Tv, SFSDEF Sfs, Word16 Olp, Word16 Sfc, Crate rate) {
  if (rate == Rate63) {
    std::fill(Tv, Tv + SubFrLen, 0);
    if (Sfs.Ppos >= MaxPosTable[Sfc]) return;
    const Word16 np = Nb_puls[Sfc];
    int j = 6 - np;
    int k = 0;
    Word32 c = Sfs.Ppos;
    for (int i = 0; i < SubFrLen / 2; ++i) {
      const Word32 t = L_sub(c, CombinatorialTable[j][i]);
      if (t >= 0) {
        c = t;
        continue;
      }
      ++k;
      Word16 amp = FcbkGainTable[Sfs.Mamp];
      if ((Sfs.Pamp >> (np - k)) & 1) amp = negate(amp);
      Tv[Sfs.Grid + 2 * i] = amp;
      if (++j == 6) break;
    }
    if (Sfs.Tran == 1) Gen_Trn(Tv, Tv, Olp);
  } else {
    Word16 tmp[SubFrLen + 4] = {};
    Word16 pos = static_cast<Word16>(Sfs.Ppos);
    Word16 sgn = Sfs.Pamp;
    for (int k = 0; k < 4; ++k) {
      const int p = (pos & 7) * 8 + Sfs.Grid + 2 * k;
      tmp[p] = (sgn & 1) ? FcbkGainTable[Sfs.Mamp] : negate(FcbkGainTable[Sfs.Mamp]);
      pos = shr(pos, 3);
      sgn = shr(sgn, 1);
    }
    std::copy(tmp, tmp + SubFrLen, Tv);
    const Word16 t0 = add(sub(add(Olp, Sfs.AcL), 1), epsi170[Sfs.AcG]);
    if (t0 < kNoTrain) {
      for (int i = t0; i < SubFrLen; ++i) Tv[i] = add(Tv[i], mult(Tv[i - t0], gain170[Sfs.AcG]));
    }
  }
}

}  // namespace g7231
