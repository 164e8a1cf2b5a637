#include "platform/win/TextWrap.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// One unit a character (a UTF-8 sequence counts once).
int Cells(const std::string& s) {
  int n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

struct WrapCase {
  const char* text;
  int width;
  std::vector<std::string> lines;
};

class TextWrap : public ::testing::TestWithParam<WrapCase> {};

TEST_P(TextWrap, BreaksAsAStaticControlShowsIt) {
  const WrapCase& c = GetParam();
  EXPECT_EQ(varlo::win::WrapText(c.text, c.width, Cells), c.lines) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextWrap,
    ::testing::Values(
        WrapCase{"short", 10, {"short"}},
        WrapCase{"", 10, {""}},
        // Between words, the blanks at a break dropped.
        WrapCase{"Delete item \"Bob\". Are you sure?", 12, {"Delete item", "\"Bob\". Are", "you sure?"}},
        WrapCase{"one  two", 4, {"one", "two"}},
        // The text's own line breaks, each kind; an empty line stays.
        WrapCase{"a\r\nb\nc\rd", 10, {"a", "b", "c", "d"}},
        WrapCase{"a\n\nb", 10, {"a", "", "b"}},
        // Blanks at the start of a paragraph stay; at its end they show nothing.
        WrapCase{"   Can't call!\r\nPlease check!  ", 20, {"   Can't call!", "Please check!"}},
        // A word wider than the box is broken inside, as many characters a line as fit.
        WrapCase{"Delete item \"ABCDEFGHIJKLMNOPQRSTUVWXYZ\". Sure?", 10,
                 {"Delete", "item", "\"ABCDEFGHI", "JKLMNOPQRS", "TUVWXYZ\".", "Sure?"}},
        WrapCase{"ABCDEFGHIJ", 4, {"ABCD", "EFGH", "IJ"}},
        // Characters of several bytes are never split.
        WrapCase{"电话簿电话簿电话", 3, {"电话簿", "电话簿", "电话"}},
        // A box narrower than one character still shows one a line.
        WrapCase{"abc", 0, {"abc"}}, WrapCase{"ab cd", 1, {"a", "b", "c", "d"}}));

}  // namespace
