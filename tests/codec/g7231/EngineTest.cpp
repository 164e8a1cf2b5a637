// Behaviour of the coder's building blocks that the frame-level tests cannot single out.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "codec/g7231/Acbk.h"
#include "codec/g7231/Cng.h"
#include "codec/g7231/Coder.h"
#include "codec/g7231/Lpc.h"
#include "codec/g7231/Lsp.h"
#include "codec/g7231/State.h"
#include "codec/g7231/Tables.h"
#include "codec/g7231/Util.h"

namespace g7231 {
namespace {

TEST(EngineUtil, SmallHelpers) {
  Word16 seed = 0;
  EXPECT_EQ(Rand_lbc(&seed), 259);
  EXPECT_EQ(Rand_lbc(&seed), 4126);
  EXPECT_EQ(Rand_lbc(&seed), -12783);  // 52753 as 16 bits

  EXPECT_EQ(Sqrt_lbc(0x20000000), 16384);
  EXPECT_EQ(Sqrt_lbc(0x40000000), 23170);
  EXPECT_EQ(Sqrt_lbc(0), 0);

  Word16 v[4] = {0, 1, -1, 0};
  EXPECT_EQ(Vec_Norm(v, 4), 11);
  EXPECT_EQ(v[1], 2048);
  EXPECT_EQ(v[2], -2048);
  Word16 z[3] = {};
  EXPECT_EQ(Vec_Norm(z, 3), -3);
  Word16 m[2] = {5, -32768};  // the magnitude of -32768 counts as 32767
  EXPECT_EQ(Vec_Norm(m, 2), -3);
  EXPECT_EQ(m[1], -4096);

  Word16 quiet[SubFrLen];
  std::fill(quiet, quiet + SubFrLen, 4);
  EXPECT_EQ(Comp_En(quiet), 2 * SubFrLen);
  Word16 full[SubFrLen];
  std::fill(full, full + SubFrLen, -32768);
  EXPECT_EQ(Comp_En(full), 0x7FFFFFFF) << "the energy saturates";

  EXPECT_EQ(Dec_SidGain(0), 0);
  EXPECT_EQ(Dec_SidGain(16), 1024);
  EXPECT_EQ(Dec_SidGain(63), 11008);
  const Word16 big[1] = {32767};
  const Word16 sh[1] = {-8};
  EXPECT_EQ(Qua_SidGain(big, sh, 1), 63);
}

TEST(EngineLpc, SilentFrameCountsAsSineInEverySubframe) {
  Init_Coder();
  Init_Cod_Cng();
  Word16 frame[Frame] = {};
  Word16 lpc[SubFrames * LpcOrder];
  std::fill(lpc, lpc + SubFrames * LpcOrder, 1);
  Comp_Lpc(lpc, CodStat.PrevDat, frame);
  for (Word16 a : lpc) EXPECT_EQ(a, 0);
  EXPECT_EQ(CodStat.SinDet & 0x7FFF, 0xF);

  // Four such frames make 15 of 15 flags (bit 15 follows).
  for (int i = 0; i < 3; ++i) Comp_Lpc(lpc, CodStat.PrevDat, frame);
  EXPECT_LT(CodStat.SinDet, 0);
  EXPECT_EQ(Test_Err(60, 62), 0) << "no taming bound while a sine is seen";
}

TEST(EngineLpc, TamingZones) {
  struct Case {
    Word16 olp, acl;
    std::array<Word32, 5> err;
    Word32 w0, w1;
  };
  // Gain row 0 of the 170 table has the factor 1024 (1/8 in Q13): T(E) = 4 + E / 8.
  const Case cases[] = {
      {30, 1, {800, 1600, 2400, 3200, 4000}, 104, 104},   // lag 30: zone 0 only
      {60, 1, {800, 1600, 2400, 3200, 4000}, 104, 204},   // lag 60 = 30 * (1 + 1)
      {61, 1, {800, 1600, 2400, 3200, 4000}, 204, 304},   // zone 2: max of zones 0/1 and 2/1
      {45, 1, {8000, 1600, 2400, 3200, 4000}, 1004, 1004}, // zone 1: larger of zones 0 and 1
  };
  for (const Case& c : cases) {
    Init_Coder();
    std::copy(c.err.begin(), c.err.end(), CodStat.Err);
    Update_Err(c.olp, c.acl, 0, Rate53);
    EXPECT_EQ(CodStat.Err[0], c.w0) << c.olp;
    EXPECT_EQ(CodStat.Err[1], c.w1) << c.olp;
    EXPECT_EQ(CodStat.Err[2], c.err[0]) << c.olp;
    EXPECT_EQ(CodStat.Err[3], c.err[1]) << c.olp;
    EXPECT_EQ(CodStat.Err[4], c.err[2]) << c.olp;
  }
  Init_Coder();
  EXPECT_EQ(Test_Err(60, 62), 127) << "low error estimates leave the whole gain table";
  for (Word32& e : CodStat.Err) e = 0x40000000;
  EXPECT_EQ(Test_Err(60, 62), 0);
}

TEST(EngineLsp, InverseQuantisation) {
  // An erased frame ignores the index and spaces the predicted vector at least 508 apart.
  Word16 prev[LpcOrder];
  std::copy(LspDcTable, LspDcTable + LpcOrder, prev);
  prev[3] = prev[2] + 10;
  Word16 lsp[LpcOrder];
  Lsp_Inq(lsp, prev, 0x123456, 1);
  for (int j = 1; j < LpcOrder; ++j) EXPECT_GE(lsp[j] - lsp[j - 1], 508) << j;

  // Entry 0 of every band and the mean as previous vector give the mean vector back.
  Lsp_Inq(lsp, LspDcTable, 0, 0);
  for (int j = 0; j < LpcOrder; ++j) EXPECT_EQ(lsp[j], LspDcTable[j]);
}

TEST(EngineLsp, InterpolationEndsOnTheCurrentVector) {
  Word16 cur[LpcOrder];
  Word16 prev[LpcOrder];
  for (int j = 0; j < LpcOrder; ++j) {
    cur[j] = static_cast<Word16>(LspDcTable[j] + 200);
    prev[j] = LspDcTable[j];
  }
  Word16 lpc[SubFrames * LpcOrder];
  Lsp_Int(lpc, cur, prev);
  Word16 direct[LpcOrder];
  std::copy(cur, cur + LpcOrder, direct);
  LsptoA(direct);
  for (int j = 0; j < LpcOrder; ++j) EXPECT_EQ(lpc[3 * LpcOrder + j], direct[j]);
  // ... and LPC to LSP finds the same frequencies again (within the search grid).
  Word16 back[LpcOrder];
  AtoLsp(back, direct, prev);
  for (int j = 0; j < LpcOrder; ++j) EXPECT_NEAR(back[j], cur[j], 400) << j;
}

TEST(EngineLsp, UnusableFilterKeepsThePreviousVector) {
  Word16 lpc[LpcOrder] = {32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767, 32767};
  Word16 prev[LpcOrder];
  std::copy(LspDcTable, LspDcTable + LpcOrder, prev);
  prev[0] = 1000;
  Word16 lsp[LpcOrder] = {};
  AtoLsp(lsp, lpc, prev);
  for (int j = 0; j < LpcOrder; ++j) EXPECT_EQ(lsp[j], prev[j]);
}

TEST(EngineAcbk, ConcealmentRegeneration) {
  Word16 buff[PitchMax + Frame];
  for (int i = 0; i < PitchMax + Frame; ++i) buff[i] = static_cast<Word16>(i * 8);
  Word16 out[Frame];
  Word16 seed = 0;
  Regen(out, buff, 40, 1000, 1, &seed);
  for (int i = 0; i < Frame; ++i) {
    const Word16 src = static_cast<Word16>((PitchMax - 40 + i % 40) * 8);
    ASSERT_EQ(out[i], static_cast<Word16>((src * 0x6000) >> 15)) << i;
  }
  Regen(out, buff, 0, 1000, 2, &seed);
  EXPECT_TRUE(std::any_of(out, out + Frame, [](Word16 x) { return x != 0; }));
  EXPECT_TRUE(std::all_of(out, out + Frame, [](Word16 x) { return x >= -1000 && x <= 1000; }));
  EXPECT_TRUE(std::all_of(buff, buff + PitchMax + Frame, [](Word16 x) { return x == 0; }));
  for (int i = 0; i < PitchMax + Frame; ++i) buff[i] = 77;
  Regen(out, buff, 40, 1000, 3, &seed);
  EXPECT_TRUE(std::all_of(out, out + Frame, [](Word16 x) { return x == 0; }));
  EXPECT_TRUE(std::all_of(buff, buff + PitchMax + Frame, [](Word16 x) { return x == 0; }));

  Word16 zeros[PitchMax + Frame] = {};
  Word16 gain = 5, shift = 0;
  EXPECT_EQ(Comp_Info(zeros, 60, &gain, &shift), 0);
  EXPECT_EQ(gain, 0);
}

}  // namespace
}  // namespace g7231
