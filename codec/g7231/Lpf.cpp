#include "codec/g7231/Lpf.h"

#include <algorithm>

#include "codec/g7231/Basop.h"
#include "codec/g7231/Tables.h"
#include "codec/g7231/Util.h"

namespace g7231 {
namespace {

Word32 dot(const Word16* a, const Word16* b) { return L_mac_n(0, a, b, SubFrLen); }

}  // namespace

Word16 Find_B(const Word16* Buff, Word16 Olp, Word16 Sfc) {
  if (Olp > PitchMax - 3) Olp = PitchMax - 3;
  const Word16* cur = &Buff[PitchMax + SubFrLen * Sfc];
  Word16 indx = 0;
  Word32 best = 0;
  for (int d = Olp - 3; d <= Olp + 3; ++d) {
    const Word32 c = dot(cur, cur - d);
    if (c > best) {
      best = c;
      indx = static_cast<Word16>(-d);
    }
  }
  return indx;
}

Word16 Find_F(const Word16* Buff, Word16 Olp, Word16 Sfc) {
  if (Olp > PitchMax - 3) Olp = PitchMax - 3;
  const Word16* cur = &Buff[PitchMax + SubFrLen * Sfc];
  Word16 indx = 0;
  Word32 best = 0;
  for (int d = Olp - 3; d <= Olp + 3; ++d) {
    Word32 c = 0;
    if (SubFrLen * Sfc + SubFrLen + d <= Frame) c = dot(cur, cur + d);
    if (c > best) {
      best = c;
      indx = static_cast<Word16>(d);
    }
  }
  return indx;
}

PFDEF Get_Ind(Word16 Ind, Word16 Ten, Word16 Ccr, Word16 Enr, Crate rate) {
  PFDEF pf;
  pf.Indx = Ind;
  const Word32 weak = L_shr(L_mult(Ten, Enr), 2);
  if (L_mult(Ccr, Ccr) > weak) {
    const Word16 top = LpfConstTable[rate];
    pf.Gain = Ccr >= Enr ? top : mult(div_s(Ccr, Enr), top);
    Word32 acc = L_mac(L_shr(L_deposit_h(Ten), 1), Ccr, pf.Gain);
    acc = L_add(acc, L_shr(L_mult(Enr, mult(pf.Gain, pf.Gain)), 1));
    const Word16 e = round(acc);
    const Word32 h = L_shr(L_deposit_h(Ten), 1);
    const Word16 q = h >= L_deposit_h(e) ? static_cast<Word16>(0x7FFF) : div_l(h, e);
    pf.ScGn = Sqrt_lbc(L_deposit_h(q));
  } else {
    pf.Gain = 0;
    pf.ScGn = 0x7FFF;
  }
  pf.Gain = mult(pf.Gain, pf.ScGn);
  return pf;
}

PFDEF Comp_Lpf(const Word16* Buff, Word16 Olp, Word16 Sfc, Crate rate) {
  PFDEF pf;
  const Word16 bindx = Find_B(Buff, Olp, Sfc);
  const Word16 findx = Find_F(Buff, Olp, Sfc);
  if (bindx == 0 && findx == 0) return pf;

  const Word16* cur = &Buff[PitchMax + SubFrLen * Sfc];
  Word32 lcr[5] = {dot(cur, cur), 0, 0, 0, 0};
  if (bindx != 0) {
    lcr[1] = dot(cur, cur + bindx);
    lcr[2] = dot(cur + bindx, cur + bindx);
  }
  if (findx != 0) {
    lcr[3] = dot(cur, cur + findx);
    lcr[4] = dot(cur + findx, cur + findx);
  }
  Word32 mx = 0;
  for (Word32 v : lcr) mx = std::max(mx, v);
  const Word16 n = norm_l(mx);
  Word16 s[5];
  for (int i = 0; i < 5; ++i) s[i] = extract_h(L_shl(lcr[i], n));

  if (bindx != 0 && findx != 0) {
    const Word32 b = L_mult(mult_r(s[1], s[1]), s[4]);
    const Word32 f = L_mult(mult_r(s[3], s[3]), s[2]);
    return b > f ? Get_Ind(bindx, s[0], s[1], s[2], rate) : Get_Ind(findx, s[0], s[3], s[4], rate);
  }
  if (bindx != 0) return Get_Ind(bindx, s[0], s[1], s[2], rate);
  return Get_Ind(findx, s[0], s[3], s[4], rate);
}

void Filt_Lpf(Word16* Tv, const Word16* Buff, PFDEF Pf, Word16 Sfc) {
  const Word16* cur = &Buff[PitchMax + SubFrLen * Sfc];
  for (int i = 0; i < SubFrLen; ++i) {
    Word32 acc = L_mult(cur[i], Pf.ScGn);
    acc = L_mac(acc, cur[Pf.Indx + i], Pf.Gain);
    Tv[SubFrLen * Sfc + i] = round(acc);
  }
}

}  // namespace g7231
