// Saturating fixed-point operators.  Every signal computation of the coder goes through
// them so that its results are bit-exact on any machine.
#pragma once

#include "codec/g7231/Typedef.h"

namespace g7231 {

constexpr Word16 MAX_16 = 32767;
constexpr Word16 MIN_16 = -32768;
constexpr Word32 MAX_32 = 0x7FFFFFFF;
constexpr Word32 MIN_32 = static_cast<Word32>(0x80000000u);

Word16 add(Word16 a, Word16 b);
Word16 sub(Word16 a, Word16 b);
Word16 abs_s(Word16 a);
Word16 negate(Word16 a);
Word16 shl(Word16 a, Word16 n);
Word16 shr(Word16 a, Word16 n);
Word16 mult(Word16 a, Word16 b);
Word16 mult_r(Word16 a, Word16 b);
Word32 L_mult(Word16 a, Word16 b);
Word32 L_add(Word32 a, Word32 b);
Word32 L_sub(Word32 a, Word32 b);
Word32 L_mac(Word32 acc, Word16 a, Word16 b);
Word32 L_msu(Word32 acc, Word16 a, Word16 b);
Word32 L_negate(Word32 a);
Word32 L_abs(Word32 a);
Word32 L_shl(Word32 a, Word16 n);
Word32 L_shr(Word32 a, Word16 n);
Word16 round(Word32 a);
Word16 extract_h(Word32 a);
Word16 extract_l(Word32 a);
Word32 L_deposit_h(Word16 a);
Word32 L_deposit_l(Word16 a);
Word16 norm_s(Word16 a);
Word16 norm_l(Word32 a);
// Q15 quotient for 0 <= num <= den, den > 0; outside that the process ends.
Word16 div_s(Word16 num, Word16 den);
// 32 x 16 product in Q15.
Word32 L_mls(Word32 a, Word16 b);
// num / (den << 16) in Q15 for num >= 0, den > 0; outside that the process ends.
Word16 div_l(Word32 num, Word16 den);
// Plain product truncated to 16 bits.
Word16 i_mult(Word16 a, Word16 b);

}  // namespace g7231
