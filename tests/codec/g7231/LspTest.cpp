#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "codec/g7231/Lsp.h"

namespace g7231 {
namespace {

// Pairs below zero, which damaged frames leave behind, are read as zero frequency: the
// cosine table is never indexed before its start (AddressSanitizer reports that read).
TEST(Lsp, PairsBelowZeroConvertLikeZero) {
  const std::array<Word16, 10> spread = {0x180, 0x700, 0xC00, 0x1400, 0x1C00, 0x2600, 0x3000, 0x3A00, 0x4600, 0x5400};
  for (Word16 below : {Word16(-1), Word16(-200), Word16(-32768)}) {
    auto damaged = spread;
    auto zeroed = spread;
    damaged[0] = below;
    zeroed[0] = 0;
    LsptoA(damaged.data());
    LsptoA(zeroed.data());
    EXPECT_EQ(damaged, zeroed) << below;
  }
}

}  // namespace
}  // namespace g7231
