#include <algorithm>

#include "codec/g7231/Basop.h"
#include "codec/g7231/Cng.h"
#include "codec/g7231/Lpc.h"
#include "codec/g7231/Lsp.h"
#include "codec/g7231/State.h"

namespace g7231 {
namespace {

constexpr int kAcfLen = LpcOrder + 1;
constexpr Word16 kDistThreshold = 7000;  // stationarity margin, about 0.21 in Q15

// Sums blocks of autocorrelations brought to a common scale; returns the common shift.
Word16 combine(const Word16* blocks, const Word16* shifts, int count, Word32* sum) {
  Word16 sh = shifts[0];
  for (int i = 1; i < count; ++i) sh = std::min(sh, shifts[i]);
  sh = add(sh, 14);
  for (int j = 0; j < kAcfLen; ++j) sum[j] = 0;
  for (int i = 0; i < count; ++i) {
    const Word16 rel = sub(sh, shifts[i]);
    for (int j = 0; j < kAcfLen; ++j)
      sum[j] = L_add(sum[j], L_shl(L_deposit_l(blocks[i * kAcfLen + j]), rel));
  }
  return sh;
}

}  // namespace

void Init_Cod_Cng() {
  CodCng = CODCNGDEF{};
  CodCng.CurGain = 0;
  CodCng.PastFtyp = 1;
  CodCng.RandSeed = 12345;
  for (Word16& s : CodCng.ShAcf) s = 40;
  CodCng.NbEner = 0;
}

void Update_Acf(const Word16* Acf_sf, const Word16* ShAcf_sf) {
  for (int i = 4 * kAcfLen - 1; i >= kAcfLen; --i) CodCng.Acf[i] = CodCng.Acf[i - kAcfLen];
  for (int i = 3; i >= 1; --i) CodCng.ShAcf[i] = CodCng.ShAcf[i - 1];
  Word32 sum[kAcfLen];
  const Word16 sh = combine(Acf_sf, ShAcf_sf, SubFrames, sum);
  Word16 t = sub(16, norm_l(sum[0]));
  if (t < 0) t = 0;
  for (int j = 0; j < kAcfLen; ++j) CodCng.Acf[j] = extract_l(L_shr(sum[j], t));
  CodCng.ShAcf[0] = sub(sh, t);
}

void ComputePastAvFilter(Word16* Coeff) {
  Word32 sum[kAcfLen];
  combine(&CodCng.Acf[kAcfLen], &CodCng.ShAcf[1], 3, sum);
  Word16 t = sub(16, norm_l(sum[0]));
  if (t < 0) t = 0;
  Word16 corr[kAcfLen];
  for (int j = 0; j < kAcfLen; ++j) corr[j] = extract_l(L_shr(sum[j], t));
  Word16 pk2 = 0;
  Durbin(Coeff, &corr[1], corr[0], &pk2);
}

void CalcRC(const Word16* Coeff, Word16* RC, Word16* ShRC) {
  Word32 e = 0;
  for (int j = 0; j < LpcOrder; ++j) e = L_mac(e, Coeff[j], Coeff[j]);
  e = L_add(L_shr(e, 1), 0x04000000);
  const Word16 sh = static_cast<Word16>(norm_l(e) - 2);
  RC[0] = round(L_shl(e, sh));
  for (int i = 1; i <= LpcOrder; ++i) {
    Word32 acc = L_mult(-8192, Coeff[i - 1]);
    for (int j = 0; j < LpcOrder - i; ++j) acc = L_mac(acc, Coeff[j], Coeff[j + i]);
    RC[i] = round(L_shl(acc, sh));
  }
  *ShRC = sh;
}

Flag LpcDiff(const Word16* RC, Word16 ShRC, const Word16* ptrAcf, Word16 alpha) {
  Word32 d = 0;
  for (int i = 0; i <= LpcOrder; ++i) d = L_mac(d, RC[i], shr(ptrAcf[i], 2));
  Word32 limit = L_add(L_deposit_l(mult_r(alpha, kDistThreshold)), L_deposit_l(alpha));
  limit = L_shl(limit, add(ShRC, 9));
  return d < limit ? 1 : 0;
}

void Cod_Cng(Word16* DataExc, Word16* Ftyp, LINEDEF* Line, Word16* QntLpc) {
  CODCNGDEF& c = CodCng;
  Word16 curCoeff[LpcOrder];
  Word16 pk2 = 0;
  c.Ener[2] = c.Ener[1];
  c.Ener[1] = c.Ener[0];
  c.Ener[0] = Durbin(curCoeff, &c.Acf[1], c.Acf[0], &pk2);

  Word16 gain;
  if (c.PastFtyp == 1) {
    *Ftyp = kFtypSid;
    c.NbEner = 1;
    gain = Qua_SidGain(c.Ener, c.ShAcf, c.NbEner);
  } else {
    c.NbEner = add(c.NbEner, 1);
    if (c.NbEner > 3) c.NbEner = 3;
    gain = Qua_SidGain(c.Ener, c.ShAcf, c.NbEner);
    if (LpcDiff(c.RC, c.ShRC, c.Acf, c.Ener[0]) == 0 || abs_s(sub(gain, c.IRef)) > 3) *Ftyp = kFtypSid;
    else *Ftyp = kFtypUntransmitted;
  }

  if (*Ftyp == kFtypSid) {
    ComputePastAvFilter(c.SidLpc);
    if (VadStat.Aen == 0) std::copy(c.SidLpc, c.SidLpc + LpcOrder, VadStat.NLpc);
    CalcRC(c.SidLpc, c.RC, &c.ShRC);
    if (LpcDiff(c.RC, c.ShRC, c.Acf, c.Ener[0]) == 0) {
      std::copy(curCoeff, curCoeff + LpcOrder, c.SidLpc);
      CalcRC(curCoeff, c.RC, &c.ShRC);
    }
    AtoLsp(c.LspSid, c.SidLpc, CodStat.PrevLsp);
    Line->LspId = Lsp_Qnt(c.LspSid, CodStat.PrevLsp);
    Lsp_Inq(c.LspSid, CodStat.PrevLsp, Line->LspId, 0);
    Line->Sfs[0].Mamp = gain;
    c.IRef = gain;
    c.SidGain = Dec_SidGain(c.IRef);
  }

  if (c.PastFtyp == 1) c.CurGain = c.SidGain;
  else c.CurGain = extract_h(L_add(L_mult(c.CurGain, 0x7000), L_mult(c.SidGain, 0x1000)));

  Calc_Exc_Rand(c.CurGain, CodStat.PrevExc, DataExc, &c.RandSeed, Line);
  Lsp_Int(QntLpc, c.LspSid, CodStat.PrevLsp);
  std::copy(c.LspSid, c.LspSid + LpcOrder, CodStat.PrevLsp);
  c.PastFtyp = *Ftyp;
}

}  // namespace g7231
