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

}  // namespace g7231
