#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "codec/g7231/Basop.h"

namespace g7231 {
namespace {

constexpr Word16 kMax16 = 32767;
constexpr Word32 kMax32 = 0x7FFFFFFF;
constexpr Word32 kMin32 = static_cast<Word32>(0x80000000u);

struct Case {
  std::string what;
  std::int64_t got;
  std::int64_t want;
};

TEST(Basop, EdgeCases) {
  const Case cases[] = {
      // saturation
      {"add(32767, 1)", add(32767, 1), 32767},
      {"add(-32768, -1)", add(-32768, -1), -32768},
      {"sub(-32768, 1)", sub(-32768, 1), -32768},
      {"sub(32767, -1)", sub(32767, -1), 32767},
      {"negate(-32768)", negate(-32768), 32767},
      {"abs_s(-32768)", abs_s(-32768), 32767},
      {"abs_s(-5)", abs_s(-5), 5},
      {"mult(-32768, -32768)", mult(-32768, -32768), 32767},
      {"mult(16384, 16384)", mult(16384, 16384), 8192},
      {"mult(-1, 1)", mult(-1, 1), -1},  // arithmetic shift keeps the sign
      {"mult_r(-1, 1)", mult_r(-1, 1), 0},
      {"mult_r(16384, 3)", mult_r(16384, 3), 2},  // 1.5 rounds up
      {"L_mult(-32768, -32768)", L_mult(-32768, -32768), kMax32},
      {"L_mult(2, 3)", L_mult(2, 3), 12},
      {"L_add(max, 1)", L_add(kMax32, 1), kMax32},
      {"L_add(min, -1)", L_add(kMin32, -1), kMin32},
      {"L_sub(min, 1)", L_sub(kMin32, 1), kMin32},
      {"L_sub(max, -1)", L_sub(kMax32, -1), kMax32},
      {"L_mac saturates", L_mac(kMax32 - 1, 1, 1), kMax32},
      {"L_msu saturates", L_msu(kMin32 + 1, 1, 1), kMin32},
      {"L_negate(min)", L_negate(kMin32), kMax32},
      {"L_abs(min)", L_abs(kMin32), kMax32},
      // shifts
      {"shl(1, 16)", shl(1, 16), 32767},
      {"shl(0, 20)", shl(0, 20), 0},
      {"shl(-1, 15)", shl(-1, 15), -32768},
      {"shl(-2, 15)", shl(-2, 15), -32768},
      {"shl(0x4000, 1)", shl(0x4000, 1), 32767},
      {"shl(-8, -2)", shl(-8, -2), -2},
      {"shr(-5, 20)", shr(-5, 20), -1},
      {"shr(5, 15)", shr(5, 15), 0},
      {"shr(-5, 1)", shr(-5, 1), -3},
      {"shr(3, -2)", shr(3, -2), 12},
      {"L_shl(0x40000000, 1)", L_shl(0x40000000, 1), kMax32},
      {"L_shl(-0x40000001, 1)", L_shl(-0x40000001, 1), kMin32},
      {"L_shl(-0x40000000, 1)", L_shl(-0x40000000, 1), kMin32},
      {"L_shl(3, -1)", L_shl(3, -1), 1},
      {"L_shr(-1, 40)", L_shr(-1, 40), -1},
      {"L_shr(7, 31)", L_shr(7, 31), 0},
      {"L_shr(1, -3)", L_shr(1, -3), 8},
      // a count of -32768 cannot be negated in 16 bits: it must still end
      {"shl(1, -32768)", shl(1, -32768), 0},
      {"shr(1, -32768)", shr(1, -32768), 32767},
      {"shr(0, -32768)", shr(0, -32768), 0},
      {"L_shl(-1, -32768)", L_shl(-1, -32768), -1},
      {"L_shr(1, -32768)", L_shr(1, -32768), kMax32},
      // rounding and extraction
      {"round(max)", round(kMax32), 32767},
      {"round(0x00018000)", round(0x00018000), 2},
      {"round(0x00017FFF)", round(0x00017FFF), 1},
      {"round(-0x8001)", round(-0x8001), -1},
      {"extract_h(0x12345678)", extract_h(0x12345678), 0x1234},
      {"extract_l(0x1234ABCD)", extract_l(0x1234ABCD), static_cast<Word16>(0xABCD)},
      {"L_deposit_h(-1)", L_deposit_h(-1), static_cast<Word32>(0xFFFF0000u)},
      {"L_deposit_l(-1)", L_deposit_l(-1), -1},
      // normalisation
      {"norm_s(0)", norm_s(0), 0},
      {"norm_s(1)", norm_s(1), 14},
      {"norm_s(-1)", norm_s(-1), 15},
      {"norm_s(-32768)", norm_s(-32768), 0},
      {"norm_s(0x4000)", norm_s(0x4000), 0},
      {"norm_s(-16385)", norm_s(-16385), 0},
      {"norm_s(-16384)", norm_s(-16384), 1},
      {"norm_l(0)", norm_l(0), 0},
      {"norm_l(1)", norm_l(1), 30},
      {"norm_l(-1)", norm_l(-1), 31},
      {"norm_l(min)", norm_l(kMin32), 0},
      {"norm_l(0x3FFFFFFF)", norm_l(0x3FFFFFFF), 1},
      // division
      {"div_s(1, 2)", div_s(1, 2), 16384},
      {"div_s(5, 5)", div_s(5, 5), 32767},
      {"div_s(0, 7)", div_s(0, 7), 0},
      {"div_s(1, 3)", div_s(1, 3), 10922},
      {"div_s(32766, 32767)", div_s(32766, 32767), 32766},
      {"div_l(0x10000, 2)", div_l(0x10000, 2), 16384},
      {"div_l(0x20000, 2)", div_l(0x20000, 2), 32767},
      {"div_l(0x7FFFFFFF, 0x4000)", div_l(0x7FFFFFFF, 0x4000), 32767},
      {"div_l(0, 9)", div_l(0, 9), 0},
      {"div_l(0x20000000, 0x6000)", div_l(0x20000000, 0x6000), 10922},
      // the coder's additions
      {"L_mls(0x40000000, 16384)", L_mls(0x40000000, 16384), 0x20000000},
      {"L_mls(0x0000FFFF, 32767)", L_mls(0x0000FFFF, 32767), 65533},
      {"L_mls(-65536, 16384)", L_mls(-65536, 16384), -32768},
      {"i_mult(256, 256)", i_mult(256, 256), 0},
      {"i_mult(-3, 7)", i_mult(-3, 7), -21},
      {"i_mult(300, 300)", i_mult(300, 300), static_cast<Word16>(90000 & 0xFFFF)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
}

// Quotients bit by bit, as a restoring division with 15 steps works them out.
Word16 SerialQuotient(std::int64_t num, std::int64_t den) {
  Word16 q = 0;
  for (int i = 0; i < 15; ++i) {
    num *= 2;
    q = static_cast<Word16>(q * 2);
    if (num >= den) {
      num -= den;
      ++q;
    }
  }
  return q;
}

TEST(Basop, DivisionsMatchTheBitSerialQuotient) {
  std::uint32_t seed = 1;
  auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  auto checkL = [](Word32 num, Word16 den) {
    const Word16 want = num >= (static_cast<Word32>(den) << 16)
                            ? kMax16
                            : SerialQuotient(num >> 1, static_cast<std::int64_t>(den) << 15);
    ASSERT_EQ(div_l(num, den), want) << num << " / " << den;
  };
  for (int k = 0; k < 200000; ++k) {
    const Word16 den = static_cast<Word16>(1 + next() % 32767);
    const Word16 num = static_cast<Word16>(next() % (den + 1));
    ASSERT_EQ(div_s(num, den), num == den ? kMax16 : SerialQuotient(num, den)) << num << " / " << den;
    checkL(static_cast<Word32>((next() & 0x7FFFFFFF) >> (next() % 31)), den);
    // Numerators at the top of the range, below the saturating quotient.
    checkL((static_cast<Word32>(den) << 16) - 1 - static_cast<Word32>(next() % 3), den);
  }
}

// The division operators stop the process outside their domain; every caller in the coder
// keeps its operands inside it.
TEST(BasopDeathTest, DivisionsOutsideTheirDomainEndTheProcess) {
  const std::pair<const char*, std::function<void()>> cases[] = {
      {"div_s num > den", [] { div_s(3, 2); }},
      {"div_s negative num", [] { div_s(-1, 2); }},
      {"div_s by zero", [] { div_s(0, 0); }},
      {"div_l by zero", [] { div_l(5, 0); }},
      {"div_l negative num", [] { div_l(-5, 3); }},
      {"div_l negative den", [] { div_l(5, -3); }},
  };
  for (const auto& [what, call] : cases) {
    EXPECT_EXIT(call(), testing::ExitedWithCode(1), "") << what;
  }
}

}  // namespace
}  // namespace g7231
