#include "codec/g7231/Basop.h"

#include <cstdio>
#include <cstdlib>

namespace g7231 {
namespace {

// A division outside its domain is a broken invariant of the caller: report it and stop.
[[noreturn]] void fatal(const char* message) {
  std::fputs(message, stdout);
  std::fflush(stdout);
  std::exit(1);
}

}  // namespace

Word16 div_s(Word16 num, Word16 den) {
  if (num > den || num < 0 || den < 0) fatal("Division Error\n");
  if (den == 0) fatal("Division by 0, Fatal error \n");
  if (num == 0) return 0;
  if (num == den) return MAX_16;
  // Restoring division for 15 quotient bits: with 0 < num < den, that is the integer
  // quotient of num * 2^15 by den.
  return static_cast<Word16>((static_cast<Word32>(num) << 15) / den);
}

Word16 div_l(Word32 num, Word16 den) {
  if (den == 0) fatal("Division by 0 in div_l, Fatal error \n");
  if (num < 0 || den < 0) fatal("Division Error in div_l, Fatal error \n");
  if (num >= L_deposit_h(den)) return MAX_16;
  // Restoring division of num / 2 by den * 2^15 for 15 quotient bits: with the numerator
  // below the divisor, that is the integer quotient of num / 2 by den.
  return static_cast<Word16>((num >> 1) / den);
}

}  // namespace g7231
