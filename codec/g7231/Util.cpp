#include "codec/g7231/Util.h"

#include <algorithm>

#include "codec/g7231/Basop.h"
#include "codec/g7231/Tables.h"

namespace g7231 {

Word16 Vec_Norm(Word16* Vect, Word16 Len) {
  Word16 mx = 0;
  for (int i = 0; i < Len; ++i) mx = std::max(mx, abs_s(Vect[i]));
  Word16 n = norm_s(mx);
  for (int i = 0; i < Len; ++i) Vect[i] = extract_l(L_shr(L_mult(ShiftTable[n], Vect[i]), 4));
  return sub(n, 3);
}

void Mem_Shift(Word16* PrevDat, Word16* DataBuff) {
  constexpr int kKeep = LpcFrame - SubFrLen;  // 120
  Word16 buf[kKeep + Frame];
  std::copy(PrevDat, PrevDat + kKeep, buf);
  std::copy(DataBuff, DataBuff + Frame, buf + kKeep);
  std::copy(buf + Frame, buf + Frame + kKeep, PrevDat);
  std::copy(buf + SubFrLen, buf + SubFrLen + Frame, DataBuff);
}

Word32 Comp_En(const Word16* Dpnt) {
  Word32 acc = 0;
  for (int i = 0; i < SubFrLen; ++i) {
    Word16 t = shr(Dpnt[i], 2);
    acc = L_mac(acc, t, t);
  }
  return acc;
}

Word16 Sqrt_lbc(Word32 Num) {
  Word16 rez = 0;
  Word16 bit = 0x4000;
  for (int i = 0; i < 14; ++i) {
    Word16 t = add(rez, bit);
    if (Num >= L_mult(t, t)) rez = t;
    bit = shr(bit, 1);
  }
  return rez;
}

Word16 Rand_lbc(Word16* p) {
  Word32 t = static_cast<Word32>(static_cast<std::uint16_t>(*p));
  t = t * 521 + 259;
  *p = static_cast<Word16>(static_cast<std::uint16_t>(t & 0xFFFF));
  return *p;
}

}  // namespace g7231
