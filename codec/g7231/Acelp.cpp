#include <algorithm>

#include "codec/g7231/Basop.h"
#include "codec/g7231/Fcbk.h"
#include "codec/g7231/State.h"
#include "codec/g7231/Tables.h"

namespace g7231 {
namespace {

constexpr int kSharpen = SubFrLen - 2;  // pitch sharpening only for lags below 58
constexpr Word16 kBudget = 120;         // fourth-pulse loops per subframe
constexpr int kPositions = 32;          // even positions 0..62

}  // namespace

void reset_max_time() { extra = kBudget; }

Word16 Find_Acelp(const Word16* Tv, Word16* ImpResp, Word16 T0, Word16* Dpnt, Word16* Mamp,
                  Word16* Grid, Word16* Pamp, Word16 Gain) {
  Word16* h = ImpResp;
  for (int i = 0; i < SubFrLen; ++i) h[i] = shr(h[i], 1);
  if (T0 < kSharpen) {
    for (int i = T0; i < SubFrLen; ++i) h[i] = add(h[i], mult(h[i - T0], Gain));
  }
  Word16 rr[kPositions][kPositions];
  Word16 dn[SubFrLen + 4];
  Word16 code[SubFrLen];
  Word16 y[SubFrLen];
  Word16 target[SubFrLen];
  std::copy(Tv, Tv + SubFrLen, target);
  Cor_h(h, rr);
  Cor_h_X(h, target, dn);
  const Word16 index = D4i64_LBC(dn, rr, h, code, y, Grid, Pamp);
  Word16 gq = 0;
  *Mamp = G_code(target, y, &gq);
  for (int i = 0; i < SubFrLen; ++i) Dpnt[i] = i_mult(code[i], gq);
  if (T0 < kSharpen) {
    for (int i = T0; i < SubFrLen; ++i) Dpnt[i] = add(Dpnt[i], mult(Dpnt[i - T0], Gain));
  }
  return index;
}

void Cor_h(const Word16* H, Word16 (*rr)[32]) {
  Word32 e = 0;
  for (int i = 0; i < SubFrLen; ++i) e = L_mac(e, H[i], H[i]);
  Word16 h[SubFrLen];
  if (extract_h(e) > 32000) {
    for (int i = 0; i < SubFrLen; ++i) h[i] = shr(H[i], 1);
  } else {
    const Word16 k = shr(norm_l(e), 1);
    for (int i = 0; i < SubFrLen; ++i) h[i] = shl(H[i], k);
  }
  for (int a = 0; a < kPositions; ++a) {
    for (int b = a; b < kPositions; ++b) {
      const int p = 2 * a;
      const int q = 2 * b;
      Word32 acc = 0;
      if (q < SubFrLen) {
        for (int n = q; n < SubFrLen; ++n) acc = L_mac(acc, h[n - p], h[n - q]);
      }
      rr[a][b] = rr[b][a] = extract_h(acc);
    }
  }
}

void Cor_h_X(const Word16* H, const Word16* X, Word16* D) {
  Word32 y[SubFrLen];
  Word32 mx = 0;
  for (int i = 0; i < SubFrLen; ++i) {
    Word32 acc = 0;
    for (int j = i; j < SubFrLen; ++j) acc = L_mac(acc, X[j], H[j - i]);
    y[i] = acc;
    mx = std::max(mx, L_abs(acc));
  }
  Word16 n = norm_l(mx);
  if (n > 16) n = 16;
  const Word16 s = sub(18, n);
  for (int i = 0; i < SubFrLen; ++i) D[i] = extract_l(L_shr(y[i], s));
}

Word16 D4i64_LBC(Word16* Dn, Word16 (*rr)[32], const Word16* h, Word16* cod, Word16* y,
                 Word16* code_shift, Word16* sign) {
  for (int i = SubFrLen; i < SubFrLen + 4; ++i) Dn[i] = 0;
  Word16 s[kPositions];
  for (int i = 0; i < SubFrLen / 2; ++i) {
    if (add(Dn[2 * i], Dn[2 * i + 1]) >= 0) {
      s[i] = 1;
    } else {
      s[i] = -1;
      Dn[2 * i] = negate(Dn[2 * i]);
      Dn[2 * i + 1] = negate(Dn[2 * i + 1]);
    }
  }
  s[30] = s[31] = 1;

  Word16 threshold = MIN_16;
  for (int g = 0; g < 2; ++g) {
    Word16 mx = 0;
    Word32 sum = 0;
    for (int t = 0; t < 3; ++t) {
      Word16 m = Dn[2 * t + g];
      for (int k = 1; k < 8; ++k) m = std::max(m, Dn[8 * k + 2 * t + g]);
      mx = add(mx, m);
      for (int k = 0; k < 8; ++k) sum = L_mac(sum, Dn[8 * k + 2 * t + g], 1);
    }
    const Word16 mean = extract_l(L_shr(sum, 4));
    const Word16 th = add(mean, mult(sub(mx, mean), 0x4000));
    threshold = std::max(threshold, th);
  }

  for (int a = 0; a < kPositions; ++a) {
    for (int b = 0; b < kPositions; ++b) {
      if (a != b) rr[a][b] = i_mult(rr[a][b], i_mult(s[a], s[b]));
    }
  }

  int ip0 = 0, ip1 = 2, ip2 = 4, ip3 = 6, grid = 0;
  Word16 psc = 0;
  Word16 alpk = 32767;
  Word16 time = add(kBudget, extra);
  for (int i0 = 0; i0 < 64; i0 += 8) {
    for (int i1 = 2; i1 < 64; i1 += 8) {
      for (int i2 = 4; i2 < 64; i2 += 8) {
        Word16 ps = add(add(Dn[i0], Dn[i1]), Dn[i2]);
        const Word16 psa = add(add(Dn[i0 + 1], Dn[i1 + 1]), Dn[i2 + 1]);
        const int a0 = i0 / 2, a1 = i1 / 2, a2i = i2 / 2;
        Word32 a2 = L_mult(rr[a0][a0], 1);
        a2 = L_mac(a2, rr[a1][a1], 1);
        a2 = L_mac(a2, rr[a2i][a2i], 1);
        a2 = L_mac(a2, rr[a0][a1], 2);
        a2 = L_mac(a2, rr[a0][a2i], 2);
        a2 = L_mac(a2, rr[a1][a2i], 2);
        int shift = 0;
        if (psa > ps) {
          shift = 1;
          ps = psa;
        }
        if (ps <= threshold) continue;
        for (int i3 = 6; i3 < 64; i3 += 8) {
          const int a3 = i3 / 2;
          const Word16 ps3 = add(ps, Dn[i3 + shift]);
          Word32 acc = L_mac(a2, rr[a3][a3], 1);
          acc = L_mac(acc, rr[a0][a3], 2);
          acc = L_mac(acc, rr[a1][a3], 2);
          acc = L_mac(acc, rr[a2i][a3], 2);
          const Word16 alp = extract_l(L_shr(acc, 5));
          const Word16 sq = mult(ps3, ps3);
          if (L_mult(sq, alpk) > L_mult(psc, alp)) {
            psc = sq;
            alpk = alp;
            ip0 = i0; ip1 = i1; ip2 = i2; ip3 = i3;
            grid = shift;
          }
        }
        time = sub(time, 1);
        if (time <= 0) goto end_search;
      }
    }
  }
end_search:
  extra = time;

  const int ip[4] = {ip0, ip1, ip2, ip3};
  std::fill(cod, cod + SubFrLen, 0);
  std::fill(y, y + SubFrLen, 0);
  Word16 sg = 0;
  for (int k = 0; k < 4; ++k) {
    const Word16 sk = s[ip[k] / 2];
    if (sk > 0) sg = static_cast<Word16>(sg + (1 << k));
    const int p = ip[k] + grid;
    if (p >= SubFrLen) continue;
    cod[p] = sk;
    for (int i = p; i < SubFrLen; ++i) y[i] = sk > 0 ? add(y[i], h[i - p]) : sub(y[i], h[i - p]);
  }
  *code_shift = static_cast<Word16>(grid);
  *sign = sg;
  return static_cast<Word16>((ip0 >> 3) + ((ip1 >> 3) << 3) + ((ip2 >> 3) << 6) + ((ip3 >> 3) << 9));
}

Word16 G_code(const Word16* X, const Word16* Y, Word16* gain_q) {
  Word16 y2[SubFrLen];
  for (int i = 0; i < SubFrLen; ++i) y2[i] = shr(Y[i], 3);
  Word32 lxy = 0;
  for (int i = 0; i < SubFrLen; ++i) lxy = L_mac(lxy, X[i], y2[i]);
  const Word16 exy = norm_l(lxy);
  Word16 xy = extract_h(L_shl(lxy, exy));
  if (xy <= 0) {
    *gain_q = FcbkGainTable[0];
    return 0;
  }
  Word32 lyy = 0;
  for (int i = 0; i < SubFrLen; ++i) lyy = L_mac(lyy, y2[i], y2[i]);
  const Word16 eyy = norm_l(lyy);
  const Word16 yy = extract_h(L_shl(lyy, eyy));
  xy = shr(xy, 1);
  Word16 g = div_s(xy, yy);
  g = shr(g, sub(add(exy, 5), eyy));
  Word16 index = 0;
  Word16 dmin = abs_s(sub(g, FcbkGainTable[0]));
  for (int i = 1; i < NumOfGainLev; ++i) {
    const Word16 d = abs_s(sub(g, FcbkGainTable[i]));
    if (d < dmin) {
      dmin = d;
      index = static_cast<Word16>(i);
    }
  }
  *gain_q = FcbkGainTable[index];
  return index;
}

}  // namespace g7231
