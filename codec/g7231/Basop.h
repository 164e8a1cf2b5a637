// Saturating fixed-point operators.  Every signal computation of the coder goes through
// them so that its results are bit-exact on any machine.  They are defined here so that the
// compiler can inline them into the coder's inner loops.
#pragma once

#include <cstdint>

#include "codec/g7231/Typedef.h"

namespace g7231 {

constexpr Word16 MAX_16 = 32767;
constexpr Word16 MIN_16 = -32768;
constexpr Word32 MAX_32 = 0x7FFFFFFF;
constexpr Word32 MIN_32 = static_cast<Word32>(0x80000000u);

// Q15 quotient for 0 <= num <= den, den > 0; outside that the process ends.
Word16 div_s(Word16 num, Word16 den);
// num / (den << 16) in Q15 for num >= 0, den > 0; outside that the process ends.
Word16 div_l(Word32 num, Word16 den);

inline Word16 shl(Word16 a, Word16 n);
inline Word16 shr(Word16 a, Word16 n);
inline Word32 L_shl(Word32 a, Word16 n);
inline Word32 L_shr(Word32 a, Word16 n);
inline Word16 extract_h(Word32 a);
inline Word32 L_add(Word32 a, Word32 b);

namespace detail {

inline Word16 sat16(Word32 v) {
  if (v > MAX_16) return MAX_16;
  if (v < MIN_16) return MIN_16;
  return static_cast<Word16>(v);
}

// Magnitude of a negative shift count, bounded so that a count of -32768 cannot turn back
// into a negative count (and so into an endless exchange between the two directions).
inline Word16 flip(Word16 n) { return n < -31 ? static_cast<Word16>(32) : static_cast<Word16>(-n); }

}  // namespace detail

inline Word16 add(Word16 a, Word16 b) { return detail::sat16(static_cast<Word32>(a) + b); }
inline Word16 sub(Word16 a, Word16 b) { return detail::sat16(static_cast<Word32>(a) - b); }
inline Word16 abs_s(Word16 a) { return a == MIN_16 ? MAX_16 : static_cast<Word16>(a < 0 ? -a : a); }
inline Word16 negate(Word16 a) { return a == MIN_16 ? MAX_16 : static_cast<Word16>(-a); }

inline Word16 shl(Word16 a, Word16 n) {
  if (n < 0) return shr(a, detail::flip(n));
  if (n > 15) return a == 0 ? static_cast<Word16>(0) : (a > 0 ? MAX_16 : MIN_16);
  Word32 r = static_cast<Word32>(a) * (static_cast<Word32>(1) << n);
  if (r != static_cast<Word16>(r)) return a > 0 ? MAX_16 : MIN_16;
  return static_cast<Word16>(r);
}

inline Word16 shr(Word16 a, Word16 n) {
  if (n < 0) return shl(a, detail::flip(n));
  if (n >= 15) return a < 0 ? static_cast<Word16>(-1) : static_cast<Word16>(0);
  return static_cast<Word16>(a >> n);
}

inline Word16 mult(Word16 a, Word16 b) { return detail::sat16((static_cast<Word32>(a) * b) >> 15); }

inline Word16 mult_r(Word16 a, Word16 b) {
  return detail::sat16((static_cast<Word32>(a) * b + 0x4000) >> 15);
}

inline Word32 L_mult(Word16 a, Word16 b) {
  Word32 p = static_cast<Word32>(a) * b;
  if (p == 0x40000000) return MAX_32;
  return p * 2;
}

inline Word32 L_add(Word32 a, Word32 b) {
  Word32 s;
  // Only operands of one sign overflow, and then towards that sign.
  if (__builtin_add_overflow(a, b, &s)) return a < 0 ? MIN_32 : MAX_32;
  return s;
}

inline Word32 L_sub(Word32 a, Word32 b) {
  Word32 s;
  // Only operands of opposite signs overflow, and then towards the sign of a.
  if (__builtin_sub_overflow(a, b, &s)) return a < 0 ? MIN_32 : MAX_32;
  return s;
}

inline Word32 L_mac(Word32 acc, Word16 a, Word16 b) { return L_add(acc, L_mult(a, b)); }
inline Word32 L_msu(Word32 acc, Word16 a, Word16 b) { return L_sub(acc, L_mult(a, b)); }
inline Word32 L_negate(Word32 a) { return a == MIN_32 ? MAX_32 : -a; }
inline Word32 L_abs(Word32 a) { return a == MIN_32 ? MAX_32 : (a < 0 ? -a : a); }

inline Word32 L_shl(Word32 a, Word16 n) {
  if (n <= 0) return L_shr(a, detail::flip(n));
  if (a == 0) return 0;
  // n doublings, each saturating, amount to one product saturated once.
  if (n >= 32) return a > 0 ? MAX_32 : MIN_32;
  const std::int64_t v = static_cast<std::int64_t>(a) * (static_cast<std::int64_t>(1) << n);
  if (v > MAX_32) return MAX_32;
  if (v < MIN_32) return MIN_32;
  return static_cast<Word32>(v);
}

inline Word32 L_shr(Word32 a, Word16 n) {
  if (n < 0) return L_shl(a, detail::flip(n));
  if (n >= 31) return a < 0 ? -1 : 0;
  return a >> n;
}

inline Word16 round(Word32 a) { return extract_h(L_add(a, 0x8000)); }
inline Word16 extract_h(Word32 a) { return static_cast<Word16>(a >> 16); }
inline Word16 extract_l(Word32 a) { return static_cast<Word16>(a); }
inline Word32 L_deposit_h(Word16 a) { return static_cast<Word32>(static_cast<std::uint32_t>(static_cast<std::uint16_t>(a)) << 16); }
inline Word32 L_deposit_l(Word16 a) { return a; }

inline Word16 norm_s(Word16 a) {
  if (a == 0) return 0;
  if (a == -1) return 15;
  const std::uint32_t m = static_cast<std::uint32_t>(a < 0 ? ~a : a);
  return static_cast<Word16>(__builtin_clz(m) - 17);
}

inline Word16 norm_l(Word32 a) {
  if (a == 0) return 0;
  if (a == -1) return 31;
  const std::uint32_t m = static_cast<std::uint32_t>(a < 0 ? ~a : a);
  return static_cast<Word16>(__builtin_clz(m) - 1);
}

// acc followed by L_mac(acc, a[i], b[i]) for i = 0 .. n-1, saturating after every step.
// When no partial sum can leave the 32-bit range the plain sum is the same, and that one
// runs without a branch per step; otherwise the chain runs step by step.
// With step -1, b runs backwards: b[0], b[-1], ...
template <int Step = 1>
inline Word32 L_mac_n(Word32 acc, const Word16* a, const Word16* b, int n) {
  std::int64_t sum = 0;
  std::int64_t magnitude = 0;
  for (int i = 0; i < n; ++i) {
    const std::int32_t p = static_cast<std::int32_t>(a[i]) * b[i * Step];
    sum += p;
    magnitude += p < 0 ? -static_cast<std::int64_t>(p) : static_cast<std::int64_t>(p);
  }
  const std::int64_t start = acc < 0 ? -static_cast<std::int64_t>(acc) : static_cast<std::int64_t>(acc);
  if (start + 2 * magnitude <= MAX_32) return static_cast<Word32>(acc + 2 * sum);
  for (int i = 0; i < n; ++i) acc = L_mac(acc, a[i], b[i * Step]);
  return acc;
}

// The same for acc followed by L_msu steps.
template <int Step = 1>
inline Word32 L_msu_n(Word32 acc, const Word16* a, const Word16* b, int n) {
  std::int64_t sum = 0;
  std::int64_t magnitude = 0;
  for (int i = 0; i < n; ++i) {
    const std::int32_t p = static_cast<std::int32_t>(a[i]) * b[i * Step];
    sum += p;
    magnitude += p < 0 ? -static_cast<std::int64_t>(p) : static_cast<std::int64_t>(p);
  }
  const std::int64_t start = acc < 0 ? -static_cast<std::int64_t>(acc) : static_cast<std::int64_t>(acc);
  if (start + 2 * magnitude <= MAX_32) return static_cast<Word32>(acc - 2 * sum);
  for (int i = 0; i < n; ++i) acc = L_msu(acc, a[i], b[i * Step]);
  return acc;
}

// 32 x 16 product in Q15.
inline Word32 L_mls(Word32 a, Word16 b) {
  Word32 low = static_cast<Word32>(a & 0xFFFF) * b;
  low = L_shr(low, 15);
  return L_mac(low, b, extract_h(a));
}

// Plain product truncated to 16 bits.
inline Word16 i_mult(Word16 a, Word16 b) {
  return static_cast<Word16>(static_cast<std::uint16_t>(static_cast<Word32>(a) * b));
}

}  // namespace g7231
