#include "codec/g7231/Basop.h"

#include <cstdio>
#include <cstdlib>

namespace g7231 {
namespace {

Word16 sat16(Word32 v) {
  if (v > MAX_16) return MAX_16;
  if (v < MIN_16) return MIN_16;
  return static_cast<Word16>(v);
}

// A division outside its domain is a broken invariant of the caller: report it and stop.
[[noreturn]] void fatal(const char* message) {
  std::fputs(message, stdout);
  std::fflush(stdout);
  std::exit(1);
}

// Magnitude of a negative shift count, bounded so that a count of -32768 cannot turn back
// into a negative count (and so into an endless exchange between the two directions).
Word16 flip(Word16 n) { return n < -31 ? static_cast<Word16>(32) : static_cast<Word16>(-n); }

}  // namespace

Word16 add(Word16 a, Word16 b) { return sat16(static_cast<Word32>(a) + b); }
Word16 sub(Word16 a, Word16 b) { return sat16(static_cast<Word32>(a) - b); }
Word16 abs_s(Word16 a) { return a == MIN_16 ? MAX_16 : static_cast<Word16>(a < 0 ? -a : a); }
Word16 negate(Word16 a) { return a == MIN_16 ? MAX_16 : static_cast<Word16>(-a); }

Word16 shl(Word16 a, Word16 n) {
  if (n < 0) return shr(a, flip(n));
  if (n > 15) return a == 0 ? static_cast<Word16>(0) : (a > 0 ? MAX_16 : MIN_16);
  Word32 r = static_cast<Word32>(a) * (static_cast<Word32>(1) << n);
  if (r != static_cast<Word16>(r)) return a > 0 ? MAX_16 : MIN_16;
  return static_cast<Word16>(r);
}

Word16 shr(Word16 a, Word16 n) {
  if (n < 0) return shl(a, flip(n));
  if (n >= 15) return a < 0 ? static_cast<Word16>(-1) : static_cast<Word16>(0);
  return static_cast<Word16>(a >> n);
}

Word16 mult(Word16 a, Word16 b) { return sat16((static_cast<Word32>(a) * b) >> 15); }

Word16 mult_r(Word16 a, Word16 b) {
  return sat16((static_cast<Word32>(a) * b + 0x4000) >> 15);
}

Word32 L_mult(Word16 a, Word16 b) {
  Word32 p = static_cast<Word32>(a) * b;
  if (p == 0x40000000) return MAX_32;
  return p * 2;
}

Word32 L_add(Word32 a, Word32 b) {
  std::int64_t s = static_cast<std::int64_t>(a) + b;
  if (s > MAX_32) return MAX_32;
  if (s < MIN_32) return MIN_32;
  return static_cast<Word32>(s);
}

Word32 L_sub(Word32 a, Word32 b) {
  std::int64_t s = static_cast<std::int64_t>(a) - b;
  if (s > MAX_32) return MAX_32;
  if (s < MIN_32) return MIN_32;
  return static_cast<Word32>(s);
}

Word32 L_mac(Word32 acc, Word16 a, Word16 b) { return L_add(acc, L_mult(a, b)); }
Word32 L_msu(Word32 acc, Word16 a, Word16 b) { return L_sub(acc, L_mult(a, b)); }
Word32 L_negate(Word32 a) { return a == MIN_32 ? MAX_32 : -a; }
Word32 L_abs(Word32 a) { return a == MIN_32 ? MAX_32 : (a < 0 ? -a : a); }

Word32 L_shl(Word32 a, Word16 n) {
  if (n <= 0) return L_shr(a, flip(n));
  for (; n > 0; --n) {
    if (a > 0x3FFFFFFF) return MAX_32;
    if (a < -0x40000000) return MIN_32;
    a *= 2;
  }
  return a;
}

Word32 L_shr(Word32 a, Word16 n) {
  if (n < 0) return L_shl(a, flip(n));
  if (n >= 31) return a < 0 ? -1 : 0;
  return a >> n;
}

Word16 round(Word32 a) { return extract_h(L_add(a, 0x8000)); }
Word16 extract_h(Word32 a) { return static_cast<Word16>(a >> 16); }
Word16 extract_l(Word32 a) { return static_cast<Word16>(a); }
Word32 L_deposit_h(Word16 a) { return static_cast<Word32>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(a)) << 16); }
Word32 L_deposit_l(Word16 a) { return a; }

Word16 norm_s(Word16 a) {
  if (a == 0) return 0;
  if (a == -1) return 15;
  if (a < 0) a = static_cast<Word16>(~a);
  Word16 n = 0;
  for (; a < 0x4000; a = static_cast<Word16>(a << 1)) ++n;
  return n;
}

Word16 norm_l(Word32 a) {
  if (a == 0) return 0;
  if (a == -1) return 31;
  if (a < 0) a = ~a;
  Word16 n = 0;
  for (; a < 0x40000000; a <<= 1) ++n;
  return n;
}

Word16 div_s(Word16 num, Word16 den) {
  if (num > den || num < 0 || den < 0) fatal("Division Error\n");
  if (den == 0) fatal("Division by 0, Fatal error \n");
  if (num == 0) return 0;
  if (num == den) return MAX_16;
  Word16 result = 0;
  Word32 lnum = num;
  Word32 lden = den;
  for (int i = 0; i < 15; ++i) {
    result = static_cast<Word16>(result << 1);
    lnum <<= 1;
    if (lnum >= lden) {
      lnum = L_sub(lnum, lden);
      result = add(result, 1);
    }
  }
  return result;
}

Word32 L_mls(Word32 a, Word16 b) {
  Word32 low = static_cast<Word32>(a & 0xFFFF) * b;
  low = L_shr(low, 15);
  return L_mac(low, b, extract_h(a));
}

Word16 div_l(Word32 num, Word16 den) {
  if (den == 0) fatal("Division by 0 in div_l, Fatal error \n");
  if (num < 0 || den < 0) fatal("Division Error in div_l, Fatal error \n");
  Word32 d = L_deposit_h(den);
  if (num >= d) return MAX_16;
  num = L_shr(num, 1);
  d = L_shr(d, 1);
  Word16 result = 0;
  for (int i = 0; i < 15; ++i) {
    result = shl(result, 1);
    num = L_shl(num, 1);
    if (num >= d) {
      num = L_sub(num, d);
      result = add(result, 1);
    }
  }
  return result;
}

Word16 i_mult(Word16 a, Word16 b) {
  return static_cast<Word16>(static_cast<std::uint16_t>(static_cast<Word32>(a) * b));
}

}  // namespace g7231
