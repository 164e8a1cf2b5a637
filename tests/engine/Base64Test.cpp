#include "engine/Base64.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Encode(const std::vector<BYTE>& input) {
  std::string out(static_cast<size_t>(Base64EncodedLength(static_cast<int>(input.size()))) + 8, '#');
  const int n = Base64Encode(input.data(), static_cast<int>(input.size()), out.data());
  EXPECT_EQ(n, Base64EncodedLength(static_cast<int>(input.size())));
  EXPECT_EQ(out.substr(static_cast<size_t>(n)), std::string(8, '#'));  // nothing written past n
  out.resize(static_cast<size_t>(n));
  return out;
}

std::vector<BYTE> Text(const std::string& s) { return std::vector<BYTE>(s.begin(), s.end()); }

TEST(Base64Test, StandardAlphabetAndPadding) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},  {"foobar", "Zm9vYmFy"},
  };
  for (const auto& c : cases) EXPECT_EQ(Encode(Text(c.in)), c.out);
  EXPECT_EQ(Encode({0xFB, 0xFF, 0xBF}), "+/+/");
}

TEST(Base64Test, LengthsAndLineBreaks) {
  const struct {
    int count;
    int length;
    const char* ending;
  } cases[] = {
      {1, 4, "=="}, {39, 52, nullptr}, {40, 56, "=="}, {767, 1024, "="},
      {768, 1026, "\r\n"}, {769, 1030, "\r\nAA=="}, {1536, 2052, "\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    const std::string out = Encode(std::vector<BYTE>(static_cast<size_t>(c.count), 0));
    EXPECT_EQ(static_cast<int>(out.size()), c.length);
    if (c.ending != nullptr) {
      EXPECT_EQ(out.substr(out.size() - std::string(c.ending).size()), c.ending);
    } else {
      EXPECT_EQ(out.find('='), std::string::npos);
    }
    EXPECT_EQ(out.find('\r'), c.count >= 768 ? 1024u : std::string::npos);
  }
}

TEST(Base64Test, NothingInNothingOut) {
  char out[4] = {'#', '#', '#', '#'};
  const BYTE in[1] = {1};
  EXPECT_EQ(Base64Encode(in, 0, out), 0);
  EXPECT_EQ(Base64Encode(nullptr, 5, out), 0);
  EXPECT_EQ(std::string(out, 4), "####");
}

}  // namespace
