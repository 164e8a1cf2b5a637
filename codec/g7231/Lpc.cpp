#include "codec/g7231/Lpc.h"

#include <algorithm>

#include "codec/g7231/Basop.h"
#include "codec/g7231/Cng.h"
#include "codec/g7231/State.h"
#include "codec/g7231/Tables.h"
#include "codec/g7231/Util.h"

namespace g7231 {
namespace {

constexpr Word16 kHpfFeedback = 32512;   // 127/128 in Q15
constexpr Word16 kSineThreshold = 31130; // 0x799A, second reflection coefficient of a sine
constexpr Word16 kZoneFactor = 1092;     // 1/30 in Q15

// Shifts a filter memory by one (newest first) and puts v in front.
void push(Word16* dl, Word16 v) {
  for (int j = LpcOrder - 1; j > 0; --j) dl[j] = dl[j - 1];
  dl[0] = v;
}

}  // namespace

void Rem_Dc(Word16* Dpnt) {
  if (!UseHp) return;
  for (int i = 0; i < Frame; ++i) {
    Word32 acc = L_mult(Dpnt[i], 16384);
    acc = L_mac(acc, CodStat.HpfZdl, -16384);
    CodStat.HpfZdl = Dpnt[i];
    acc = L_add(acc, L_mls(CodStat.HpfPdl, kHpfFeedback));
    CodStat.HpfPdl = acc;
    Dpnt[i] = round(acc);
  }
}

void Comp_Lpc(Word16* UnqLpc, const Word16* PrevDat, const Word16* DataBuff) {
  constexpr int kKeep = LpcFrame - SubFrLen;
  Word16 buf[kKeep + Frame];
  std::copy(PrevDat, PrevDat + kKeep, buf);
  std::copy(DataBuff, DataBuff + Frame, buf + kKeep);

  Word16 acf[SubFrames * (LpcOrder + 1)];
  Word16 shacf[SubFrames];
  for (int k = 0; k < SubFrames; ++k) {
    Word16 vect[LpcFrame];
    std::copy(buf + k * SubFrLen, buf + k * SubFrLen + LpcFrame, vect);
    Word16 blk = Vec_Norm(vect, LpcFrame);
    for (int i = 0; i < LpcFrame; ++i) vect[i] = mult_r(vect[i], HammingWindowTable[i]);

    Word16* r = &acf[k * (LpcOrder + 1)];
    Word32 acc = 0;
    for (int i = 0; i < LpcFrame; ++i) acc = L_add(acc, L_shr(L_mult(vect[i], vect[i]), 1));
    acc = L_add(acc, L_shr(acc, 10));  // white-noise correction 1025/1024
    Word16 e = norm_l(acc);
    r[0] = round(L_shl(acc, e));
    if (r[0] == 0) {
      for (int i = 1; i <= LpcOrder; ++i) r[i] = 0;
      shacf[k] = 40;
    } else {
      for (int i = 1; i <= LpcOrder; ++i) {
        acc = 0;
        for (int j = i; j < LpcFrame; ++j) acc = L_add(acc, L_shr(L_mult(vect[j], vect[j - i]), 1));
        acc = L_shl(acc, e);
        acc = L_mls(acc, BinomialWindowTable[i - 1]);
        r[i] = round(acc);
      }
      shacf[k] = add(e, shl(blk, 1));
    }

    Word16 pk2 = 0;
    Durbin(&UnqLpc[k * LpcOrder], &r[1], r[0], &pk2);
    std::uint16_t det = static_cast<std::uint16_t>(static_cast<std::uint16_t>(CodStat.SinDet) << 1);
    if (pk2 > kSineThreshold) det = static_cast<std::uint16_t>(det + 1);
    CodStat.SinDet = static_cast<Word16>(det);
  }

  std::uint16_t det = static_cast<std::uint16_t>(CodStat.SinDet) & 0x7FFF;
  int count = 0;
  for (int i = 0; i < 15; ++i) count += (det >> i) & 1;
  if (count >= 14) det |= 0x8000;
  CodStat.SinDet = static_cast<Word16>(det);

  Update_Acf(acf, shacf);
}

Word16 Durbin(Word16* Lpc, const Word16* Corr, Word16 Err, Word16* Pk2) {
  for (int i = 0; i < LpcOrder; ++i) Lpc[i] = 0;
  for (int i = 0; i < LpcOrder; ++i) {
    Word32 acc = L_shr(L_deposit_h(Corr[i]), 2);
    for (int j = 0; j < i; ++j) acc = L_msu(acc, Lpc[j], Corr[i - j - 1]);
    acc = L_shl(acc, 2);
    Word32 mag = L_abs(acc);
    if (mag >= L_deposit_h(Err)) {
      *Pk2 = 32767;
      break;
    }
    Word16 pk = div_l(mag, Err);
    if (acc >= 0) pk = negate(pk);
    if (i == 1) *Pk2 = pk;

    Word16 old[LpcOrder];
    std::copy(Lpc, Lpc + LpcOrder, old);
    Lpc[i] = round(L_shr(L_deposit_h(negate(pk)), 2));
    Err = round(L_add(L_mls(acc, pk), L_deposit_h(Err)));
    for (int j = 0; j < i; ++j) Lpc[j] = round(L_mac(L_deposit_h(old[j]), pk, old[i - j - 1]));
  }
  return Err;
}

void Wght_Lpc(Word16* PerLpc, const Word16* UnqLpc) {
  for (int k = 0; k < SubFrames; ++k) {
    for (int j = 0; j < LpcOrder; ++j) {
      PerLpc[k * 2 * LpcOrder + j] = mult_r(UnqLpc[k * LpcOrder + j], PerFiltZeroTable[j]);
      PerLpc[k * 2 * LpcOrder + LpcOrder + j] = mult_r(UnqLpc[k * LpcOrder + j], PerFiltPoleTable[j]);
    }
  }
}

void Error_Wght(Word16* Dpnt, const Word16* PerLpc) {
  for (int k = 0; k < SubFrames; ++k) {
    const Word16* zero = &PerLpc[k * 2 * LpcOrder];
    const Word16* pole = zero + LpcOrder;
    for (int i = 0; i < SubFrLen; ++i) {
      Word16& x = Dpnt[k * SubFrLen + i];
      Word32 acc = L_mult(x, 8192);
      for (int j = 0; j < LpcOrder; ++j) acc = L_msu(acc, zero[j], CodStat.WghtFirDl[j]);
      push(CodStat.WghtFirDl, x);
      for (int j = 0; j < LpcOrder; ++j) acc = L_mac(acc, pole[j], CodStat.WghtIirDl[j]);
      Word16 y = round(L_shl(acc, 2));
      push(CodStat.WghtIirDl, y);
      x = y;
    }
  }
}

void Comp_Ir(Word16* ImpResp, const Word16* QntLpc, const Word16* PerLpc, PWDEF Pw) {
  Word16 fir[LpcOrder] = {};
  Word16 iir[LpcOrder] = {};
  Word16 hist[PitchMax + SubFrLen] = {};
  const Word16* pole = PerLpc + LpcOrder;
  Word32 acc = 0x04000000;
  for (int i = 0; i < SubFrLen; ++i) {
    for (int j = 0; j < LpcOrder; ++j) acc = L_mac(acc, QntLpc[j], fir[j]);
    Word32 s = L_shl(acc, 2);
    for (int j = 0; j < LpcOrder; ++j) acc = L_msu(acc, PerLpc[j], fir[j]);
    acc = L_shl(acc, 1);
    push(fir, round(s));
    for (int j = 0; j < LpcOrder; ++j) acc = L_mac(acc, pole[j], iir[j]);
    Word16 w = round(L_shl(acc, 2));
    push(iir, w);
    hist[PitchMax + i] = w;
    acc = L_msu(L_deposit_h(w), Pw.Gain, hist[PitchMax - Pw.Indx + i]);
    ImpResp[i] = round(acc);
    acc = 0;
  }
}

void Sub_Ring(Word16* Dpnt, const Word16* QntLpc, const Word16* PerLpc, const Word16* PrevErr, PWDEF Pw) {
  Word16 fir[LpcOrder];
  Word16 iir[LpcOrder];
  std::copy(CodStat.RingFirDl, CodStat.RingFirDl + LpcOrder, fir);
  std::copy(CodStat.RingIirDl, CodStat.RingIirDl + LpcOrder, iir);
  Word16 hist[PitchMax + SubFrLen];
  std::copy(PrevErr, PrevErr + PitchMax, hist);
  const Word16* pole = PerLpc + LpcOrder;
  for (int i = 0; i < SubFrLen; ++i) {
    Word32 acc = 0;
    for (int j = 0; j < LpcOrder; ++j) acc = L_mac(acc, QntLpc[j], fir[j]);
    Word32 s = L_shl(acc, 2);
    for (int j = 0; j < LpcOrder; ++j) acc = L_msu(acc, PerLpc[j], fir[j]);
    push(fir, round(s));
    for (int j = 0; j < LpcOrder; ++j) acc = L_mac(acc, pole[j], iir[j]);
    Word16 w = round(L_shl(acc, 2));
    push(iir, w);
    hist[PitchMax + i] = w;
    acc = L_sub(L_deposit_h(Dpnt[i]), L_deposit_h(w));
    acc = L_mac(acc, Pw.Gain, hist[PitchMax - Pw.Indx + i]);
    Dpnt[i] = round(acc);
  }
}

void Upd_Ring(Word16* Dpnt, const Word16* QntLpc, const Word16* PerLpc, Word16* PrevErr) {
  std::copy(PrevErr + SubFrLen, PrevErr + PitchMax, PrevErr);
  const Word16* pole = PerLpc + LpcOrder;
  for (int i = 0; i < SubFrLen; ++i) {
    Word32 acc = L_shr(L_deposit_h(Dpnt[i]), 3);
    for (int j = 0; j < LpcOrder; ++j) acc = L_mac(acc, QntLpc[j], CodStat.RingFirDl[j]);
    Word32 s = L_shl(acc, 2);
    Dpnt[i] = shl(round(s), 1);
    for (int j = 0; j < LpcOrder; ++j) acc = L_msu(acc, PerLpc[j], CodStat.RingFirDl[j]);
    push(CodStat.RingFirDl, round(s));
    for (int j = 0; j < LpcOrder; ++j) acc = L_mac(acc, pole[j], CodStat.RingIirDl[j]);
    Word16 w = round(L_shl(acc, 2));
    push(CodStat.RingIirDl, w);
    PrevErr[PitchMax - SubFrLen + i] = w;
  }
}

void Update_Err(Word16 Olp, Word16 AcLg, Word16 AcGn, Crate rate) {
  const Word16 b = (rate == Rate63 && Olp < SubFrLen - 2) ? tabgain85[AcGn] : tabgain170[AcGn];
  auto term = [b](Word32 e) { return L_add(4, L_shl(L_mls(e, b), 2)); };
  Word32* err = CodStat.Err;
  const Word16 lag = sub(add(Olp, AcLg), 1);
  Word32 w0, w1;
  if (lag <= 30) {
    w0 = w1 = term(err[0]);
  } else {
    const Word16 z = mult(lag, kZoneFactor);
    if (lag == i_mult(30, add(z, 1))) {
      w0 = term(err[z - 1]);
      w1 = term(err[z]);
    } else if (z == 1) {
      w0 = term(err[0]);
      w1 = term(err[1]);
      w0 = w1 = std::max(w0, w1);
    } else {
      w0 = std::max(term(err[z - 2]), term(err[z - 1]));
      w1 = std::max(term(err[z]), term(err[z - 1]));
    }
  }
  err[4] = err[2];
  err[3] = err[1];
  err[2] = err[0];
  err[0] = w0;
  err[1] = w1;
}

Word16 Test_Err(Word16 Lag1, Word16 Lag2) {
  Word16 i = sub(Lag1, SubFrLen + 1);
  if (i < 1) i = 1;
  const Word16 zone1 = mult(i, kZoneFactor);
  const Word16 zone2 = mult(add(Lag2, 2), kZoneFactor);
  Word32 m = -1;
  for (int z = zone2; z >= zone1; --z) m = std::max(m, CodStat.Err[z]);
  Word32 d = L_sub(m, 0x40000000);
  if (d > 0 || CodStat.SinDet < 0) return 0;
  return extract_l(L_shr(L_negate(d), 23));
}

}  // namespace g7231
