#include "codec/g7231/Util.h"

#include <algorithm>

#include "codec/g7231/Basop.h"
#include "codec/g7231/Tables.h"

namespace g7231 {

Word16 Vec_Norm(Word16* Vect, Word16 Len) {
  // The largest magnitude, saturated like abs_s, from the extremes.
  Word16 hi = 0;
  Word16 lo = 0;
  for (int i = 0; i < Len; ++i) {
    hi = std::max(hi, Vect[i]);
    lo = std::min(lo, Vect[i]);
  }
  const Word16 mx = std::max(hi, abs_s(lo));
  Word16 n = norm_s(mx);
  // L_mult saturates only for -32768 * -32768, and no power of two in the table is -32768:
  // the product, shifted and truncated to 16 bits, is the plain one.
  const Word32 s = ShiftTable[n];
  for (int i = 0; i < Len; ++i) Vect[i] = static_cast<Word16>((2 * s * Vect[i]) >> 4);
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
  // Squares only grow the sum, so the saturating chain of L_mac ends at the plain sum capped
  // at the largest value.
  std::int64_t acc = 0;
  for (int i = 0; i < SubFrLen; ++i) {
    const Word32 t = shr(Dpnt[i], 2);
    acc += t * t;
  }
  return static_cast<Word32>(std::min<std::int64_t>(2 * acc, MAX_32));
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
