#include "codec/g7231/Acbk.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "codec/g7231/Basop.h"
#include "codec/g7231/Lpc.h"
#include "codec/g7231/Tables.h"
#include "codec/g7231/Util.h"

namespace g7231 {
namespace {

constexpr Word16 kMaxWeightGain = 0x2800;  // 0.3125 in Q15
constexpr Word16 kThreeQuarters = 0x6000;
constexpr Word16 kMinRows85 = 51;
constexpr Word16 kMinRows170 = 93;
constexpr int kLongLag = SubFrLen - 2;     // lags from 58 on use the 170-row table

Word32 dot(const Word16* a, const Word16* b, int n) { return L_mac_n(0, a, b, n); }

}  // namespace

Word16 Estim_Pitch(const Word16* Dpnt, Word16 Start) {
  Word16 indx = PitchMin;
  Word16 mxp = 30;
  Word16 maxE = 0x7FFF;
  Word16 maxR = 0x4000;

  int pr = Start - (PitchMin - 1);
  Word32 energy = dot(&Dpnt[pr], &Dpnt[pr], 2 * SubFrLen);
  for (Word16 lag = PitchMin; lag <= PitchMax - 3; ++lag) {
    --pr;
    energy = L_msu(energy, Dpnt[pr + 2 * SubFrLen], Dpnt[pr + 2 * SubFrLen]);
    energy = L_mac(energy, Dpnt[pr], Dpnt[pr]);
    Word32 cr = dot(&Dpnt[Start], &Dpnt[pr], 2 * SubFrLen);
    if (cr <= 0) continue;

    Word16 e = norm_l(cr);
    Word16 ccr = round(L_shl(cr, e));
    e = shl(e, 1);
    Word32 p = L_mult(ccr, ccr);
    Word16 v = norm_l(p);
    e = add(e, v);
    ccr = extract_h(L_shl(p, v));
    Word16 w = norm_l(energy);
    e = sub(e, w);
    Word16 lcr = round(L_shl(energy, w));
    if (ccr >= lcr) {
      ccr = shr(ccr, 1);
      e = sub(e, 1);
    }

    if (e > mxp) continue;
    if (add(e, 1) < mxp) {
      indx = lag; mxp = e; maxR = ccr; maxE = lcr;
      continue;
    }
    Word16 tmp = maxR;
    if (add(e, 1) == mxp) tmp = shr(maxR, 1);
    Word32 d = L_msu(L_mult(ccr, maxE), lcr, tmp);
    if (d <= 0) continue;
    if (lag - indx < PitchMin) {
      indx = lag; mxp = e; maxR = ccr; maxE = lcr;
    } else {
      Word32 a = L_mult(ccr, maxE);
      a = L_negate(L_shr(a, 2));
      a = L_mac(a, ccr, maxE);
      a = L_msu(a, lcr, tmp);
      if (a > 0) {
        indx = lag; mxp = e; maxR = ccr; maxE = lcr;
      }
    }
  }
  return indx;
}

PWDEF Comp_Pw(const Word16* Dpnt, Word16 Start, Word16 Olp) {
  Word32 lcr[15];
  lcr[0] = dot(&Dpnt[Start], &Dpnt[Start], SubFrLen);
  for (int i = 0; i < 7; ++i) {
    const int lag = Olp - 3 + i;
    const Word16* d = &Dpnt[Start - lag];
    lcr[2 * i + 1] = dot(d, d, SubFrLen);
    lcr[2 * i + 2] = dot(&Dpnt[Start], d, SubFrLen);
  }
  Word32 mx = 0;
  for (Word32 v : lcr) mx = std::max(mx, L_abs(v));
  const Word16 e = norm_l(mx);
  Word16 s[15];
  for (int i = 0; i < 15; ++i) s[i] = round(L_shl(lcr[i], e));

  Word16 bestC = 1;
  Word16 bestE = 0x7FFF;
  int k = -1;
  for (int i = 0; i < 7; ++i) {
    const Word16 en = s[2 * i + 1];
    const Word16 c = s[2 * i + 2];
    if (c <= 0) continue;
    const Word16 c2 = mult_r(c, c);
    if (L_msu(L_mult(c2, bestE), en, bestC) > 0) {
      bestC = c2;
      bestE = en;
      k = i;
    }
  }
  PWDEF pw;
  if (k < 0) {
    pw.Indx = Olp;
    pw.Gain = 0;
    return pw;
  }
  pw.Indx = static_cast<Word16>(Olp - 3 + k);
  const Word16 en = s[2 * k + 1];
  const Word16 c = s[2 * k + 2];
  Word32 a = L_mult(s[0], en);
  a = L_add(L_shr(a, 2), L_shr(a, 3));
  if (L_sub(a, L_mult(c, c)) < 0) {
    pw.Gain = c >= en ? kMaxWeightGain : mult_r(div_s(c, en), kMaxWeightGain);
  } else {
    pw.Gain = 0;
  }
  return pw;
}

void Filt_Pw(Word16* DataBuff, const Word16* Dpnt, Word16 Start, PWDEF Pw) {
  for (int i = 0; i < SubFrLen; ++i) {
    Word32 acc = L_deposit_h(Dpnt[PitchMax + Start + i]);
    acc = L_msu(acc, Pw.Gain, Dpnt[PitchMax + Start - Pw.Indx + i]);
    DataBuff[Start + i] = round(acc);
  }
}

void Get_Rez(Word16* Tv, const Word16* PrevExc, Word16 Lag) {
  for (int i = 0; i < ClPitchOrd / 2; ++i) Tv[i] = PrevExc[PitchMax - ClPitchOrd / 2 - Lag + i];
  // The last Lag samples repeated as often as needed.
  for (int i = 0, k = 0; i < SubFrLen + ClPitchOrd / 2; ++i) {
    Tv[ClPitchOrd / 2 + i] = PrevExc[PitchMax - Lag + k];
    if (++k == Lag) k = 0;
  }
}

void Find_Acbk(Word16* Tv, const Word16* ImpResp, const Word16* PrevExc, LINEDEF* Line, Word16 Sfc, Crate rate) {
  Word16 olp = Line->Olp[Sfc >> 1];
  const bool even = (Sfc & 1) == 0;
  if (even) {
    if (olp == PitchMin) olp = PitchMin + 1;
    if (olp > PitchMax - 5) olp = PitchMax - 5;
  }
  const int hb = even ? 3 : 4;

  Word32 corBuf[4 * 20];
  for (int k = 0; k < hb; ++k) {
    Word16 rez[SubFrLen + 4];
    Get_Rez(rez, PrevExc, static_cast<Word16>(olp - 1 + k));
    Word16 flt[ClPitchOrd][SubFrLen];
    for (int i = 0; i < SubFrLen; ++i) {
      Word32 acc = 0;
      for (int j = 0; j <= i; ++j) acc = L_mac(acc, rez[ClPitchOrd - 1 + j], ImpResp[i - j]);
      flt[4][i] = round(acc);
    }
    for (int m = ClPitchOrd - 2; m >= 0; --m) {
      flt[m][0] = mult_r(rez[m], 0x2000);
      for (int i = 1; i < SubFrLen; ++i)
        flt[m][i] = round(L_mac(L_deposit_h(flt[m + 1][i - 1]), rez[m], ImpResp[i]));
    }
    Word32* cor = &corBuf[k * 20];
    for (int m = 0; m < ClPitchOrd; ++m) {
      Word32 acc = 0;
      for (int i = 0; i < SubFrLen; ++i) acc = L_add(acc, L_shr(L_mult(Tv[i], flt[m][i]), 1));
      cor[m] = L_shl(acc, 1);
    }
    for (int m = 0; m < ClPitchOrd; ++m) cor[5 + m] = dot(flt[m], flt[m], SubFrLen);
    int n = 10;
    for (int i = 1; i < ClPitchOrd; ++i) {
      for (int j = 0; j < i; ++j) {
        Word32 acc = 0;
        for (int l = 0; l < SubFrLen; ++l) acc = L_add(acc, L_shr(L_mult(flt[i][l], flt[j][l]), 1));
        cor[n++] = L_shl(acc, 2);
      }
    }
  }

  Word32 mx = 0;
  for (int i = 0; i < hb * 20; ++i) mx = std::max(mx, L_abs(corBuf[i]));
  const Word16 e = norm_l(mx);
  Word16 corVct[4 * 20];
  for (int i = 0; i < hb * 20; ++i) corVct[i] = round(L_shl(corBuf[i], e));

  const Word16 t = Test_Err(static_cast<Word16>(olp - 1), static_cast<Word16>(olp - 1 + hb - 1));
  const Word16 bound[2] = {std::min<Word16>(static_cast<Word16>(kMinRows85 + shl(t, 2)), 85),
                           std::min<Word16>(static_cast<Word16>(kMinRows170 + shl(t, 3)), 170)};

  Word32 best = 0;
  int lid = 1;
  int gid = 0;
  for (int k = 0; k < hb; ++k) {
    int sel = 1;
    if (rate == Rate63) {
      const int lag = even ? olp - 1 + k : olp;
      sel = lag >= kLongLag ? 1 : 0;
    }
    const Word16* tab = AcbkGainTablePtr[sel];
    for (int l = 0; l < bound[sel]; ++l) {
      Word32 acc = 0;
      for (int i = 0; i < 20; ++i) acc = L_add(acc, L_shr(L_mult(corVct[k * 20 + i], tab[l * 20 + i]), 1));
      if (acc > best) {
        best = acc;
        lid = k;
        gid = l;
      }
    }
  }

  SFSDEF& sfs = Line->Sfs[Sfc];
  if (even) {
    olp = static_cast<Word16>(olp - 1 + lid);
    Line->Olp[Sfc >> 1] = olp;
    sfs.AcL = 1;
  } else {
    sfs.AcL = static_cast<Word16>(lid);
  }
  sfs.AcG = static_cast<Word16>(gid);

  Word16 v[SubFrLen];
  Decod_Acbk(v, PrevExc, olp, sfs.AcL, sfs.AcG, rate);
  for (int i = 0; i < SubFrLen; ++i) {
    Word32 acc = L_shr(L_deposit_h(Tv[i]), 1);
    acc = L_msu_n<-1>(acc, v, &ImpResp[i], i + 1);
    Tv[i] = round(L_shl(acc, 1));
  }
}

void Decod_Acbk(Word16* Tv, const Word16* PrevExc, Word16 Olp, Word16 Lid, Word16 Gid, Crate rate) {
  Word16 rez[SubFrLen + 4];
  Get_Rez(rez, PrevExc, static_cast<Word16>(Olp - 1 + Lid));
  const int sel = (rate == Rate63 && Olp < kLongLag) ? 0 : 1;
  const Word16* row = &AcbkGainTablePtr[sel][Gid * 20];
  // While twice the sum of the products' magnitudes fits, no L_mac step saturates and the
  // plain sums are the results.
  Word32 peak = 0;
  for (Word16 r : rez) peak = std::max(peak, std::abs(static_cast<Word32>(r)));
  std::int64_t sumRow = 0;
  for (int j = 0; j < ClPitchOrd; ++j) sumRow += std::abs(static_cast<Word32>(row[j]));
  if (2 * sumRow * peak <= MAX_32) {
    for (int i = 0; i < SubFrLen; ++i) {
      Word32 acc = 0;
      for (int j = 0; j < ClPitchOrd; ++j) acc += rez[i + j] * row[j];
      Tv[i] = round(L_shl(2 * acc, 1));
    }
    return;
  }
  for (int i = 0; i < SubFrLen; ++i) {
    Word32 acc = 0;
    acc = L_mac_n(acc, &rez[i], row, ClPitchOrd);
    Tv[i] = round(L_shl(acc, 1));
  }
}

Word16 Comp_Info(Word16* Buff, Word16 Olp, Word16* Gain, Word16* ShGain) {
  constexpr int kEnd = PitchMax + Frame - 2 * SubFrLen;  // start of the last 120 samples
  *ShGain = Vec_Norm(Buff, PitchMax + Frame);
  if (Olp > PitchMax - 3) Olp = PitchMax - 3;
  Word16 indx = Olp;
  Word32 best = 0;
  for (int lag = Olp - 3; lag <= Olp + 3; ++lag) {
    Word32 c = dot(&Buff[kEnd], &Buff[kEnd - lag], 2 * SubFrLen);
    if (c > best) {
      best = c;
      indx = static_cast<Word16>(lag);
    }
  }
  const Word16 tenr = round(dot(&Buff[kEnd], &Buff[kEnd], 2 * SubFrLen));
  *Gain = tenr;
  const Word16 ccr = round(best);
  if (ccr <= 0) return 0;
  const Word16 enr = round(dot(&Buff[kEnd - indx], &Buff[kEnd - indx], 2 * SubFrLen));
  Word32 acc = L_shr(L_mult(enr, tenr), 3);
  acc = L_msu(acc, ccr, ccr);
  return acc < 0 ? indx : static_cast<Word16>(0);
}

void Regen(Word16* DataBuff, Word16* Buff, Word16 Lag, Word16 Gain, Word16 Ecount, Word16* Sd) {
  if (Ecount >= 3) {
    std::fill(DataBuff, DataBuff + Frame, 0);
    std::fill(Buff, Buff + PitchMax + Frame, 0);
  } else if (Lag != 0) {
    for (int i = 0; i < Frame; ++i) Buff[PitchMax + i] = Buff[PitchMax - Lag + i];
    for (int i = 0; i < Frame; ++i) {
      Buff[PitchMax + i] = mult(Buff[PitchMax + i], kThreeQuarters);
      DataBuff[i] = Buff[PitchMax + i];
    }
  } else {
    for (int i = 0; i < Frame; ++i) DataBuff[i] = mult(Gain, Rand_lbc(Sd));
    std::fill(Buff, Buff + PitchMax + Frame, 0);
  }
}

}  // namespace g7231
