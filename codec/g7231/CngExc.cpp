#include <algorithm>

#include "codec/g7231/Acbk.h"
#include "codec/g7231/Basop.h"
#include "codec/g7231/Cng.h"
#include "codec/g7231/Tables.h"
#include "codec/g7231/Util.h"

namespace g7231 {
namespace {

constexpr Word16 fact[4] = {273, 998, 499, 333};
constexpr Word32 L_bseg[3] = {2048, 18432, 231233};
constexpr Word16 base[3] = {0, 32, 96};
constexpr Word16 kInvEleven = 2979;  // 1/11 in Q15
constexpr Word16 kMaxPulseAmp = 10000;
constexpr int kPulsesPerHalf = 11;

Word16 draw(Word16* seed, Word16 n) {
  return mult(static_cast<Word16>(Rand_lbc(seed) & 0x7FFF), n);
}

Word32 level_sq(int seg, Word16 j) {
  const Word16 v = add(base[seg], shl(j, static_cast<Word16>(seg + 1)));
  return L_mult(v, v);
}

}  // namespace

Word16 Qua_SidGain(const Word16* Ener, const Word16* shEner, Word16 nq) {
  Word32 x;
  if (nq == 0) {
    const Word16 sh = sub(16, shl(shEner[0], 1));
    x = L_mls(L_shl(L_deposit_l(Ener[0]), sh), fact[0]);
  } else {
    Word16 s = shEner[0];
    for (int i = 1; i < nq; ++i) s = std::min(s, shEner[i]);
    x = 0;
    for (int i = 0; i < nq; ++i) {
      const Word16 t = shr(Ener[i], sub(shEner[i], s));
      x = L_add(x, L_deposit_l(mult_r(fact[nq], t)));
    }
    x = L_shl(x, sub(15, s));
  }

  if (x >= L_bseg[2]) return 63;
  int seg;
  int steps;
  if (x >= L_bseg[1]) {
    seg = 2;
    steps = 4;
  } else {
    seg = x >= L_bseg[0] ? 1 : 0;
    steps = 3;
  }
  Word16 j = shl(1, static_cast<Word16>(steps));
  Word16 k = shr(j, 1);
  for (int i = 0; i < steps; ++i) {
    if (x >= level_sq(seg, j)) j = add(j, k);
    else j = sub(j, k);
    k = shr(k, 1);
  }
  const Word32 d = L_sub(level_sq(seg, j), x);
  if (d <= 0) {
    if (d <= L_sub(x, level_sq(seg, add(j, 1)))) j = add(j, 1);
  } else {
    if (d >= L_sub(x, level_sq(seg, sub(j, 1)))) j = sub(j, 1);
  }
  return add(shl(static_cast<Word16>(seg), 4), j);
}

Word16 Dec_SidGain(Word16 i_gain) {
  Word16 seg = shr(i_gain, 4);
  if (seg == 3) seg = 2;
  const Word16 i = sub(i_gain, shl(seg, 4));
  Word16 g = shl(i, add(seg, 1));
  g = add(g, base[seg]);
  return shl(g, 5);
}

void Calc_Exc_Rand(Word16 cur_gain, Word16* PrevExc, Word16* DataExc, Word16* nRandom, LINEDEF* Line) {
  Line->Olp[0] = add(draw(nRandom, 21), 123);
  Line->Olp[1] = add(draw(nRandom, 21), 123);
  for (SFSDEF& s : Line->Sfs) s.AcG = add(draw(nRandom, 50), 1);
  Line->Sfs[0].AcL = 1;
  Line->Sfs[1].AcL = 0;
  Line->Sfs[2].AcL = 1;
  Line->Sfs[3].AcL = 3;

  Word16 sign[2][kPulsesPerHalf];
  for (int b = 0; b < 2; ++b) {
    Word16 v = draw(nRandom, 8192);
    Line->Sfs[2 * b].Grid = static_cast<Word16>(v & 1);
    v = shr(v, 1);
    Line->Sfs[2 * b + 1].Grid = static_cast<Word16>(v & 1);
    for (int k = 0; k < kPulsesPerHalf; ++k) {
      sign[b][k] = shl(sub(static_cast<Word16>(v & 2), 1), 14);
      v = shr(v, 1);
    }
  }

  Word16 pos[2][kPulsesPerHalf];
  for (int sf = 0; sf < SubFrames; ++sf) {
    Word16 slot[SubFrLen / 2];
    for (int i = 0; i < SubFrLen / 2; ++i) slot[i] = static_cast<Word16>(i);
    Word16 n = SubFrLen / 2;
    const Word16 off = static_cast<Word16>(Line->Sfs[sf].Grid + (sf & 1) * SubFrLen);
    const int first = (sf & 1) ? Nb_puls[sf - 1] : 0;
    for (int p = 0; p < Nb_puls[sf]; ++p) {
      const Word16 j = draw(nRandom, n);
      pos[sf >> 1][first + p] = add(shl(slot[j], 1), off);
      n = sub(n, 1);
      slot[j] = slot[n];
    }
  }

  for (int b = 0; b < 2; ++b) {
    Word16 u[2 * SubFrLen];
    // Lags of 122 and more always take the 170-row gain table, whatever the rate.
    Decod_Acbk(u, PrevExc, Line->Olp[b], Line->Sfs[2 * b].AcL, Line->Sfs[2 * b].AcG, Rate63);
    Decod_Acbk(&u[SubFrLen], &PrevExc[SubFrLen], Line->Olp[b], Line->Sfs[2 * b + 1].AcL,
               Line->Sfs[2 * b + 1].AcG, Rate63);

    Word16 m = 0;
    for (Word16 x : u) m = std::max(m, abs_s(x));
    Word16 sh = m == 0 ? static_cast<Word16>(0) : sub(4, norm_s(m));
    if (sh < -2) sh = -2;
    Word16 t[2 * SubFrLen];
    Word32 eu = 0;
    for (int i = 0; i < 2 * SubFrLen; ++i) {
      t[i] = shr(u[i], sh);
      eu = L_mac(eu, t[i], t[i]);
    }
    Word32 acc = 0;
    for (int k = 0; k < kPulsesPerHalf; ++k) acc = L_mac(acc, t[pos[b][k]], sign[b][k]);
    const Word16 c0 = extract_h(L_shl(acc, 1));

    const Word16 q = extract_l(L_shr(L_mult(cur_gain, 60), 6));
    const Word32 et = L_shr(L_mult(q, cur_gain), add(shl(sh, 1), 4));
    const Word32 c = L_mls(L_sub(eu, et), kInvEleven);
    const Word16 b0 = mult_r(c0, kInvEleven);
    const Word32 d = L_negate(L_msu(c, b0, b0));
    Word16 x;
    if (d <= 0) {
      x = negate(b0);
    } else {
      const Word16 delta = Sqrt_lbc(d);
      const Word16 x1 = sub(delta, b0);
      const Word16 x2 = add(b0, delta);
      x = abs_s(x2) < abs_s(x1) ? negate(x2) : x1;
    }
    Word16 a = shl(x, add(sh, 1));
    a = std::clamp<Word16>(a, -kMaxPulseAmp, kMaxPulseAmp);
    for (int k = 0; k < kPulsesPerHalf; ++k) u[pos[b][k]] = add(u[pos[b][k]], mult(a, sign[b][k]));

    std::copy(PrevExc + 2 * SubFrLen, PrevExc + PitchMax, PrevExc);
    std::copy(u, u + 2 * SubFrLen, PrevExc + PitchMax - 2 * SubFrLen);
    std::copy(u, u + 2 * SubFrLen, DataExc + b * 2 * SubFrLen);
  }
}

}  // namespace g7231
