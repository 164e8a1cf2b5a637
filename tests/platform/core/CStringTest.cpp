#include "platform/core/CString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CStringTest, SlicesClampToTheString) {
  const CString s("abcdef");
  struct Case {
    CString got;
    const char* want;
  } cases[] = {
      {s.Left(2), "ab"},    {s.Left(0), ""},       {s.Left(-3), ""},     {s.Left(99), "abcdef"},
      {s.Right(2), "ef"},   {s.Right(99), "abcdef"}, {s.Right(-1), ""},  {s.Mid(2), "cdef"},
      {s.Mid(2, 3), "cde"}, {s.Mid(4, 99), "ef"},  {s.Mid(-5, 2), "ab"}, {s.Mid(6), ""},
      {s.Mid(99, 2), ""},   {s.Mid(1, -1), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want);
}

TEST(CStringTest, FindReportsPositionsOrMinusOne) {
  const CString s("a.b.c");
  EXPECT_EQ(s.Find('.'), 1);
  EXPECT_EQ(s.Find('.', 2), 3);
  EXPECT_EQ(s.Find('.', 4), -1);
  EXPECT_EQ(s.Find('.', -1), -1);
  EXPECT_EQ(s.Find('.', 99), -1);
  EXPECT_EQ(s.Find("b.c"), 2);
  EXPECT_EQ(s.Find("b.c", 3), -1);
  EXPECT_EQ(s.Find(""), 0);
  EXPECT_EQ(s.Find("", 5), 5);
  EXPECT_EQ(s.Find("x"), -1);
  EXPECT_EQ(s.ReverseFind('.'), 3);
  EXPECT_EQ(s.ReverseFind('x'), -1);
}

TEST(CStringTest, EditingOperations) {
  CString s("one two two");
  EXPECT_EQ(s.Replace("two", "three"), 2);
  EXPECT_EQ(s, "one three three");
  EXPECT_EQ(s.Replace("", "x"), 0);
  EXPECT_EQ(s.Replace('e', 'E'), 5);
  EXPECT_EQ(s, "onE thrEE thrEE");
  EXPECT_EQ(s.Replace("thrEE", ""), 2);
  EXPECT_EQ(s, "onE  ");

  CString t("ace");
  EXPECT_EQ(t.Insert(1, 'b'), 4);
  EXPECT_EQ(t.Insert(99, "fg"), 6);
  EXPECT_EQ(t.Insert(-4, '_'), 7);
  EXPECT_EQ(t, "_abcefg");
  EXPECT_EQ(t.Delete(0), 6);
  EXPECT_EQ(t.Delete(3, 99), 3);
  EXPECT_EQ(t.Delete(99, 1), 3);
  EXPECT_EQ(t, "abc");

  t.SetAt(1, 'B');
  t.SetAt(3, 'X');   // outside: ignored
  t.SetAt(-1, 'X');  // outside: ignored
  EXPECT_EQ(t, "aBc");
  EXPECT_EQ(t[2], 'c');
  EXPECT_EQ(t.GetAt(3), '\0');
  EXPECT_EQ(t.GetAt(-1), '\0');
}

TEST(CStringTest, TrimRemovesWhiteSpaceOrGivenCharacters) {
  EXPECT_EQ(CString(" \t\r\nab c \n").TrimLeft(), "ab c \n");
  EXPECT_EQ(CString(" \t\r\nab c \n").TrimRight(), " \t\r\nab c");
  EXPECT_EQ(CString("   ").TrimLeft(), "");
  EXPECT_EQ(CString("   ").TrimRight(), "");
  EXPECT_EQ(CString("xxaxx").TrimLeft('x'), "axx");
  EXPECT_EQ(CString("xxaxx").TrimRight('x'), "xxa");
  EXPECT_EQ(CString("-+a+-").TrimLeft("+-").TrimRight("+-"), "a");
  EXPECT_EQ(CString(" a ").Trim(), "a");
}

TEST(CStringTest, CaseChangesAsciiOnlyAndKeepsUtf8) {
  CString s("Ab\xC3\xA9z9");  // "Abéz9"
  EXPECT_EQ(CString(s).MakeUpper(), "AB\xC3\xA9Z9");
  EXPECT_EQ(CString(s).MakeLower(), "ab\xC3\xA9z9");
}

TEST(CStringTest, ComparisonsAreBytewise) {
  // A byte of 0x80 or more sorts after every ASCII byte.
  EXPECT_LT(CString("z"), CString("\xC3\xA9"));
  EXPECT_EQ(CString("z").Compare("\xC3\xA9"), -1);
  EXPECT_EQ(CString("abc").Compare("abd"), -1);
  EXPECT_EQ(CString("abc").Compare("ab"), 1);
  EXPECT_EQ(CString("abc").Compare("abc"), 0);
  EXPECT_EQ(CString("ABC").Compare("abc"), -1);
  EXPECT_EQ(CString("ABC").CompareNoCase("abc"), 0);
  EXPECT_EQ(CString("ABC").CompareNoCase("abd"), -1);
  EXPECT_EQ(CString("abc").CompareNoCase("AB"), 1);
  EXPECT_TRUE(CString("a") != "b");
  EXPECT_TRUE("a" == CString("a"));
  EXPECT_TRUE(CString("a") <= CString("a"));
  EXPECT_TRUE(CString("") < CString("a"));
}

TEST(CStringTest, ConcatenationAndConstruction) {
  CString s = CString("a") + "b" + 'c' + CString("d");
  s = 'x' + s;
  s += "e";
  s += 'f';
  s += CString("g");
  EXPECT_EQ(s, "xabcdefg");
  EXPECT_EQ(CString('-', 3), "---");
  EXPECT_EQ(CString('-', 0), "");
  EXPECT_EQ(CString("abcdef", 3), "abc");
  EXPECT_EQ(CString(static_cast<const char*>(nullptr)), "");
  CString t;
  EXPECT_TRUE(t.IsEmpty());
  t = 'q';
  EXPECT_EQ(t.GetLength(), 1);
  t.Empty();
  EXPECT_TRUE(t.IsEmpty());
  EXPECT_STREQ(static_cast<const char*>(t), "");
}

TEST(CStringTest, FormatProducesTextOfAnyLength) {
  CString s;
  s.Format("%d.%d.%d.%d", 203, 0, 113, 10);
  EXPECT_EQ(s, "203.0.113.10");
  const std::string big(10000, 'x');
  s.Format("<%s>%05u", big.c_str(), 42u);
  EXPECT_EQ(s.GetLength(), 10007);
  EXPECT_EQ(s.Right(6), ">00042");
  s.Format("%s", "");
  EXPECT_TRUE(s.IsEmpty());
  // Formatting from the string's own text is safe.
  s = "abc";
  s.Format("%s%s", s.GetString(), s.GetString());
  EXPECT_EQ(s, "abcabc");
}

}  // namespace
