#include "codec/g7231/Lsp.h"

#include <algorithm>

#include "codec/g7231/Basop.h"
#include "codec/g7231/Tables.h"

namespace g7231 {
namespace {

constexpr Word16 kPredGood = 12288;    // 0.375 in Q15
constexpr Word16 kPredErased = 23552;  // 0.71875 in Q15
constexpr Word16 kSepGood = 256;
constexpr Word16 kSepErased = 512;

// Value of the sum (idx 0) or difference (idx 1) polynomial at grid point i.
Word32 poly(const Word16* lpq, int idx, int i) {
  Word32 acc = 0;
  for (int j = 0; j <= 5; ++j) acc = L_mac(acc, lpq[2 * (5 - j) + idx], CosineTable[(i * j) % 512]);
  return acc;
}

}  // namespace

void AtoLsp(Word16* LspVect, const Word16* Lpc, const Word16* PrevLsp) {
  Word16 lpq[12];
  Word32 spq[12];
  for (int i = 0; i < LpcOrder; ++i) lpq[i] = mult_r(Lpc[i], BandExpTable[i]);
  spq[0] = spq[1] = 0x02000000;
  for (int i = 0; i < LpcOrder / 2; ++i) {
    Word32 x = L_shr(L_deposit_h(lpq[i]), 4);
    Word32 y = L_shr(L_deposit_h(lpq[LpcOrder - 1 - i]), 4);
    spq[2 * i + 2] = L_sub(L_sub(L_negate(spq[2 * i]), x), y);
    spq[2 * i + 3] = L_add(L_sub(spq[2 * i + 1], x), y);
  }
  spq[10] = L_shr(spq[10], 1);
  spq[11] = L_shr(spq[11], 1);
  Word32 mx = 0;
  for (Word32 v : spq) mx = std::max(mx, L_abs(v));
  const Word16 e = norm_l(mx);
  for (int i = 0; i < 12; ++i) lpq[i] = round(L_shl(spq[i], e));

  int cnt = 0;
  int idx = 0;
  Word32 prev = poly(lpq, idx, 0);
  for (int i = 1; i < 256; ++i) {
    Word32 cur = poly(lpq, idx, i);
    if ((cur ^ prev) < 0) {
      Word32 a = L_add(L_abs(cur), L_abs(prev));
      Word32 b = L_abs(prev);
      const Word16 n = norm_l(a);
      a = L_shl(a, n);
      b = L_shr(L_shl(b, n), 8);
      Word16 f = div_l(b, extract_h(a));
      LspVect[cnt] = add(f, shl(static_cast<Word16>(i - 1), 7));
      if (++cnt == LpcOrder) break;
      idx ^= 1;
      cur = poly(lpq, idx, i);
    }
    prev = cur;
  }
  if (cnt != LpcOrder) std::copy(PrevLsp, PrevLsp + LpcOrder, LspVect);
}

Word32 Lsp_Qnt(Word16* CurrLsp, const Word16* PrevLsp) {
  Word16 w[LpcOrder];
  w[0] = sub(CurrLsp[1], CurrLsp[0]);
  w[LpcOrder - 1] = sub(CurrLsp[LpcOrder - 1], CurrLsp[LpcOrder - 2]);
  for (int i = 1; i < LpcOrder - 1; ++i)
    w[i] = std::min(sub(CurrLsp[i + 1], CurrLsp[i]), sub(CurrLsp[i], CurrLsp[i - 1]));
  for (Word16& v : w) v = v > 32 ? div_s(32, v) : static_cast<Word16>(32767);
  Word16 mx = 0;
  for (Word16 v : w) mx = std::max(mx, v);
  const Word16 e = norm_s(mx);
  for (Word16& v : w) v = shl(v, e);

  for (int i = 0; i < LpcOrder; ++i) {
    Word16 pred = mult_r(sub(PrevLsp[i], LspDcTable[i]), kPredGood);
    CurrLsp[i] = sub(sub(CurrLsp[i], LspDcTable[i]), pred);
  }
  return Lsp_Svq(CurrLsp, w);
}

Word32 Lsp_Svq(const Word16* Tv, Word16* Wvect) {
  Word32 rez = 0;
  for (int k = 0; k < LspQntBands; ++k) {
    const Word16 base = BandInfoTable[k][0];
    const Word16 size = BandInfoTable[k][1];
    const Word16* tab = BandQntTable[k];
    Word32 best = -1;
    Word16 indx = 0;
    for (int e = 0; e < LspCbSize; ++e) {
      const Word16* c = &tab[e * size];
      Word16 t[4];
      for (int j = 0; j < size; ++j) t[j] = mult_r(Wvect[base + j], c[j]);
      Word32 acc = 0;
      for (int j = 0; j < size; ++j) acc = L_mac(acc, Tv[base + j], t[j]);
      acc = L_shl(acc, 1);
      for (int j = 0; j < size; ++j) acc = L_msu(acc, c[j], t[j]);
      if (acc > best) {
        best = acc;
        indx = static_cast<Word16>(e);
      }
    }
    rez = L_add(L_shl(rez, 8), indx);
  }
  return rez;
}

void Lsp_Inq(Word16* Lsp, const Word16* PrevLsp, Word32 LspId, Word16 Crc) {
  Word16 scon = kSepGood;
  Word16 lprd = kPredGood;
  if (Crc != 0) {
    LspId = 0;
    scon = kSepErased;
    lprd = kPredErased;
  }
  for (int k = LspQntBands - 1; k >= 0; --k) {
    const int e = LspId & 0xFF;
    LspId >>= 8;
    const Word16 base = BandInfoTable[k][0];
    const Word16 size = BandInfoTable[k][1];
    for (int j = 0; j < size; ++j) Lsp[base + j] = BandQntTable[k][e * size + j];
  }
  for (int i = 0; i < LpcOrder; ++i) {
    Word16 t = mult_r(sub(PrevLsp[i], LspDcTable[i]), lprd);
    Lsp[i] = add(add(Lsp[i], t), LspDcTable[i]);
  }
  bool unstable = true;
  for (int pass = 0; pass < 10 && unstable; ++pass) {
    if (Lsp[0] < 0x180) Lsp[0] = 0x180;
    if (Lsp[LpcOrder - 1] > 0x7E00) Lsp[LpcOrder - 1] = 0x7E00;
    for (int j = 1; j < LpcOrder; ++j) {
      Word16 d = sub(add(scon, Lsp[j - 1]), Lsp[j]);
      if (d > 0) {
        d = shr(d, 1);
        Lsp[j - 1] = sub(Lsp[j - 1], d);
        Lsp[j] = add(Lsp[j], d);
      }
    }
    unstable = false;
    for (int j = 1; j < LpcOrder; ++j) {
      if (sub(sub(add(Lsp[j - 1], scon), 4), Lsp[j]) > 0) unstable = true;
    }
  }
  if (unstable) std::copy(PrevLsp, PrevLsp + LpcOrder, Lsp);
}

void Lsp_Int(Word16* QntLpc, const Word16* CurrLsp, const Word16* PrevLsp) {
  for (int s = 0; s < SubFrames; ++s) {
    const Word16 t = static_cast<Word16>(-8192 * (s + 1));
    Word16* v = &QntLpc[s * LpcOrder];
    for (int j = 0; j < LpcOrder; ++j) {
      Word32 acc = L_deposit_h(PrevLsp[j]);
      acc = L_mac(acc, t, PrevLsp[j]);
      acc = L_msu(acc, t, CurrLsp[j]);
      v[j] = round(acc);
    }
    LsptoA(v);
  }
}

void LsptoA(Word16* Lsp) {
  for (int i = 0; i < LpcOrder; ++i) {
    // A damaged frame can leave a pair below zero; the table starts at zero frequency.
    if (Lsp[i] < 0) Lsp[i] = 0;
    const int k = Lsp[i] >> 7;
    const Word16 offs = static_cast<Word16>(Lsp[i] & 0x7F);
    Word32 acc = L_deposit_h(CosineTable[k]);
    acc = L_mac(acc, sub(CosineTable[k + 1], CosineTable[k]), add(shl(offs, 8), 0x80));
    Lsp[i] = negate(round(L_shl(acc, 1)));
  }

  Word32 p[LpcOrder / 2 + 1];
  Word32 q[LpcOrder / 2 + 1];
  p[0] = q[0] = 0x10000000;
  p[1] = L_mac(L_mult(Lsp[0], 8192), Lsp[2], 8192);
  q[1] = L_mac(L_mult(Lsp[1], 8192), Lsp[3], 8192);
  p[2] = L_add(L_shr(L_mult(Lsp[0], Lsp[2]), 1), 0x20000000);
  q[2] = L_add(L_shr(L_mult(Lsp[1], Lsp[3]), 1), 0x20000000);
  for (int i = 2; i < LpcOrder / 2; ++i) {
    const Word16 cp = Lsp[2 * i];
    const Word16 cq = Lsp[2 * i + 1];
    p[i + 1] = L_add(L_mls(p[i], cp), p[i - 1]);
    q[i + 1] = L_add(L_mls(q[i], cq), q[i - 1]);
    for (int j = i; j >= 2; --j) {
      p[j] = L_add(L_add(L_mls(p[j - 1], cp), L_shr(p[j], 1)), L_shr(p[j - 2], 1));
      q[j] = L_add(L_add(L_mls(q[j - 1], cq), L_shr(q[j], 1)), L_shr(q[j - 2], 1));
    }
    p[0] = L_shr(p[0], 1);
    q[0] = L_shr(q[0], 1);
    p[1] = L_shr(L_add(L_shr(L_deposit_h(cp), static_cast<Word16>(i)), p[1]), 1);
    q[1] = L_shr(L_add(L_shr(L_deposit_h(cq), static_cast<Word16>(i)), q[1]), 1);
  }
  for (int i = 0; i < LpcOrder / 2; ++i) {
    Word32 a = L_add(L_sub(L_add(p[i], p[i + 1]), q[i]), q[i + 1]);
    Word32 b = L_sub(L_add(L_add(p[i], p[i + 1]), q[i]), q[i + 1]);
    Lsp[i] = negate(round(L_shl(a, 3)));
    Lsp[LpcOrder - 1 - i] = negate(round(L_shl(b, 3)));
  }
}

}  // namespace g7231
