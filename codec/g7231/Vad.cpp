#include <algorithm>

#include "codec/g7231/Basop.h"
#include "codec/g7231/Cng.h"
#include "codec/g7231/State.h"

namespace g7231 {
namespace {

// Threshold scale by octave of the noise level.
constexpr Word16 ScfTab[11] = {9170, 9170, 9170, 9170, 10289, 11544, 12953, 14533, 16306, 18296, 20529};
constexpr Word16 kEnergyScale = 2913;

}  // namespace

void Init_Vad() {
  VadStat = VADSTATDEF{};
  VadStat.Hcnt = 3;
  VadStat.Vcnt = 0;
  VadStat.Penr = 0x400;
  VadStat.Nlev = 0x400;
  VadStat.Aen = 0;
  VadStat.Polp[0] = 1;
  VadStat.Polp[1] = 1;
  VadStat.Polp[2] = SubFrLen;
  VadStat.Polp[3] = SubFrLen;
}

Flag Comp_Vad(const Word16* Dpnt) {
  VADSTATDEF& v = VadStat;

  Word16 minp = PitchMax;
  for (Word16 p : v.Polp) minp = std::min(minp, p);
  Word16 count = 0;
  for (Word16 p : v.Polp) {
    Word16 m = minp;
    for (int j = 0; j < 8; ++j) {
      if (abs_s(sub(m, p)) <= 3) count = add(count, 1);
      m = add(m, minp);
    }
  }
  if (count == 4 || CodStat.SinDet < 0) v.Aen = add(v.Aen, 2);
  else v.Aen = sub(v.Aen, 1);
  v.Aen = std::clamp<Word16>(v.Aen, 0, 6);

  Word32 e = 0;
  for (int i = SubFrLen; i < Frame; ++i) {
    Word32 acc = L_mult(Dpnt[i], 0x2000);
    for (int j = 0; j < LpcOrder; ++j) acc = L_msu(acc, Dpnt[i - j - 1], v.NLpc[j]);
    const Word16 r = round(acc);
    e = L_mac(e, r, r);
  }
  e = L_mls(e, kEnergyScale);

  if (v.Nlev > v.Penr) v.Nlev = L_add(L_sub(v.Penr, L_shr(v.Penr, 2)), L_shr(v.Nlev, 2));
  if (v.Aen == 0) v.Nlev = L_add(v.Nlev, L_shr(v.Nlev, 5));
  else v.Nlev = L_sub(v.Nlev, L_shr(v.Nlev, 11));
  v.Penr = e;
  v.Nlev = std::clamp<Word32>(v.Nlev, 0x80, 0x1FFFF);

  Word32 a = L_shl(v.Nlev, 13);
  const Word16 n = norm_l(a);
  a = L_shl(a, n);
  a = static_cast<Word32>((static_cast<std::uint32_t>(a) & 0x3F000000u) << 1);
  const Word16 f = extract_h(a);
  Word32 s32 = L_deposit_h(ScfTab[n]);
  s32 = L_mac(s32, f, ScfTab[n - 1]);
  s32 = L_msu(s32, f, ScfTab[n]);
  const Word16 s = extract_h(s32);
  const Word32 threshold = L_mult(extract_l(L_shr(v.Nlev, 2)), s) >> 11;

  Flag vad = threshold > e ? 0 : 1;

  if (vad) {
    v.Vcnt = add(v.Vcnt, 1);
    v.Hcnt = add(v.Hcnt, 1);
  } else {
    v.Vcnt = sub(v.Vcnt, 1);
    if (v.Vcnt < 0) v.Vcnt = 0;
  }
  if (v.Vcnt >= 2) {
    v.Hcnt = 6;
    if (v.Vcnt >= 3) v.Vcnt = 3;
  }
  if (v.Hcnt) {
    vad = 1;
    if (v.Vcnt == 0) v.Hcnt = sub(v.Hcnt, 1);
  }
  v.Polp[0] = v.Polp[2];
  v.Polp[1] = v.Polp[3];
  return vad;
}

}  // namespace g7231
