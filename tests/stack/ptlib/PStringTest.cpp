#include "stack/ptlib/PString.h"

#include <gtest/gtest.h>

#include "stack/ptlib/PStringArray.h"

namespace {

TEST(PString, SubStringsClampInsteadOfFailing) {
  const PString s("h323:1234@10.0.0.1");
  struct Case { PString got; const char* want; } cases[] = {
      {s.Left(4), "h323"},         {s.Left(0), ""},           {s.Left(-3), ""},
      {s.Left(100), s},            {s.Right(8), "10.0.0.1"},  {s.Right(100), s},
      {s.Mid(5, 4), "1234"},       {s.Mid(10), "10.0.0.1"},   {s.Mid(100, 2), ""},
      {s.Mid(-2, 6), "h323"},      {s(5, 8), "1234"},         {s(10, 1000), "10.0.0.1"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(PString, FindReportsMaxIndexWhenAbsent) {
  const PString s("host:1720");
  EXPECT_EQ(s.Find(':'), 4);
  EXPECT_EQ(s.Find("1720"), 5);
  EXPECT_EQ(s.Find(':', 5), P_MAX_INDEX);
  EXPECT_EQ(s.Find("x"), P_MAX_INDEX);
  EXPECT_EQ(s.Find("host", 100), P_MAX_INDEX);
  EXPECT_EQ(PString("a.b.c").FindLast('.'), 3);
  EXPECT_EQ(s.FindOneOf("@:"), 4);
}

TEST(PString, AsIntegerReadsTheLeadingNumber) {
  struct Case { const char* text; unsigned base; long want; } cases[] = {
      {"1720", 10, 1720},   {"  -42abc", 10, -42}, {"+7", 10, 7},      {"", 10, 0},
      {"abc", 10, 0},       {"ff", 16, 255},       {"FFx", 16, 255},   {"101", 2, 5},
      {"99999999999999999999", 10, LONG_MAX},      {"-99999999999999999999", 10, LONG_MIN},
  };
  for (const auto& c : cases) EXPECT_EQ(PString(c.text).AsInteger(c.base), c.want) << c.text;
  EXPECT_EQ(PString("-5").AsUnsigned(), 0u);
  EXPECT_EQ(PString("4294967296").AsUnsigned(), 4294967296ul);
}

TEST(PString, ConcatenationComparisonAndConversion) {
  PString s = "Would you answer the call?\nFrom:";
  s += PString(" alice");
  EXPECT_EQ(s.GetLength(), 38);
  EXPECT_TRUE(s == "Would you answer the call?\nFrom: alice");
  EXPECT_EQ("x" + PString("y") + 'z', "xyz");
  EXPECT_TRUE(PString("abc") < PString("abd"));
  EXPECT_TRUE(PString("GSM") *= PString("gsm"));
  EXPECT_FALSE(PString("GSM") *= PString("gsm1"));
  EXPECT_TRUE(PString().IsEmpty());
  EXPECT_TRUE(PString(static_cast<const char*>(nullptr)).IsEmpty());
  EXPECT_STREQ(static_cast<const char*>(PString("ok")), "ok");
  EXPECT_EQ(PString("caf\xc3\xa9").GetLength(), 5);  // bytes, not characters
  EXPECT_EQ(PString("ab")[5], '\0');
  EXPECT_EQ(psprintf("%s:%u", "10.0.0.1", 1720u), "10.0.0.1:1720");
  EXPECT_EQ(PString("  padded \t").Trim(), "padded");
  EXPECT_EQ(PString("MiXeD").ToLower(), "mixed");
  EXPECT_EQ(PString("a-b-c").Replace("-", "+", true), "a+b+c");
}

TEST(PString, TokeniseKeepsOrDropsEmptyFields) {
  EXPECT_EQ(PString("a,,b").Tokenise(",", true), (PStringArray{"a", "", "b"}));
  EXPECT_EQ(PString("a,,b").Tokenise(",", false), (PStringArray{"a", "b"}));
  EXPECT_EQ(PString("a b\tc").Tokenise(" \t", false), (PStringArray{"a", "b", "c"}));
  EXPECT_TRUE(PString("").Tokenise(",").IsEmpty());
  PStringArray names{"default", "hw:0"};
  EXPECT_EQ(names.GetStringsIndex("hw:0"), 1);
  EXPECT_EQ(names.GetStringsIndex("HW:0"), P_MAX_INDEX);
  EXPECT_EQ(names.GetAt(7), "");
}

}  // namespace
