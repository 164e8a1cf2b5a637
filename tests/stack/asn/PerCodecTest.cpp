// The aligned-PER encodings of the runtime's value classes, checked octet for octet against
// X.691's rules, and the decoder's refusal of input that breaks them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ErlangOracle.h"
#include "stack/asn/Asn.h"

using testing_tools::FromHex;
using testing_tools::ToHex;

namespace {

std::string EncodeHex(const asn::Object& v) {
  std::vector<uint8_t> out;
  std::string error;
  if (!v.Encode(out, &error)) return "error: " + error;
  return ToHex(out);
}

struct IntegerCase {
  const char* what;
  int64_t lb, ub;  // ub < lb: no upper bound; lb == INT64_MIN: unconstrained
  bool extensible;
  int64_t value;
  const char* hex;
};

asn::Integer MakeInteger(const IntegerCase& c) {
  asn::Integer v;
  if (c.lb == INT64_MIN) {
    v.SetUnconstrained();
  } else if (c.ub < c.lb) {
    v.SetLowerBound(c.lb, c.extensible);
  } else {
    v.SetRange(c.lb, c.ub, c.extensible);
  }
  v = c.value;
  return v;
}

TEST(PerInteger, EncodesEachRangeClassAndDecodesItBack) {
  const IntegerCase cases[] = {
      {"range 8: three bits", 0, 7, false, 5, "A0"},
      {"range 255: eight unaligned bits", 1, 255, false, 200, "C7"},
      {"range 256: one aligned octet", 0, 255, false, 200, "C8"},
      {"range 64K: two octets", 0, 65535, false, 1000, "03E8"},
      {"range 64K+1: octet count then octets", 0, 65536, false, 1000, "4003E8"},
      {"32-bit range: 2-bit count", 1, 4294967295, false, 300, "40012B"},
      {"32-bit range, largest value", 0, 4294967295, false, 4294967295, "C0FFFFFFFF"},
      {"single value: no bits", 5, 5, false, 5, "00"},
      {"semi-constrained", 0, -1, false, 256, "020100"},
      {"semi-constrained, lb 1", 1, 0, false, 1, "0100"},
      {"unconstrained negative", INT64_MIN, 0, false, -1, "01FF"},
      {"unconstrained 128 needs a sign octet", INT64_MIN, 0, false, 128, "020080"},
      {"unconstrained -129", INT64_MIN, 0, false, -129, "02FF7F"},
      {"extensible, in the root", 0, 255, true, 5, "0005"},
      {"extensible, outside the root", 0, 255, true, 300, "8002012C"},
      {"extensible 16-bit root, in it", 0, 65535, true, 7, "000007"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    asn::Integer v = MakeInteger(c);
    EXPECT_EQ(EncodeHex(v), c.hex);
    asn::Integer back = MakeInteger(c);
    back = 0;
    ASSERT_TRUE(back.Decode(FromHex(c.hex)));
    EXPECT_EQ(back.GetValue(), c.value);
  }
}

TEST(PerInteger, RefusesValuesOutsideItsRange) {
  asn::Integer v;
  v.SetRange(1, 65535);
  v = 0;
  EXPECT_EQ(EncodeHex(v), "error: integer 0 outside its range");
  v.SetRange(0, 4);
  std::string error;
  EXPECT_FALSE(v.Decode(FromHex("E0"), &error));  // 3 bits of 7 for the range 0..4
  EXPECT_NE(error.find("out of range"), std::string::npos) << error;
  v.SetLowerBound(0);
  EXPECT_FALSE(v.Decode(FromHex("09FFFFFFFFFFFFFFFFFF"), &error));  // 9 octets
  ASSERT_TRUE(v.Decode(FromHex("087FFFFFFFFFFFFFFF")));            // INT64_MAX still fits
  EXPECT_EQ(v.GetValue(), INT64_MAX);
  EXPECT_FALSE(v.Decode(FromHex("08FFFFFFFFFFFFFFFF"), &error));   // does not
  v.SetLowerBound(-5);
  ASSERT_TRUE(v.Decode(FromHex("088000000000000003")));            // -5 + 2^63 + 3
  EXPECT_EQ(v.GetValue(), INT64_MAX - 1);
}

TEST(PerLength, FragmentsLongStringsInBlocksOf16K) {
  struct Case {
    size_t size;
    std::vector<std::pair<size_t, std::string>> headers;  // offset -> octets there
  };
  const Case cases[] = {
      {127, {{0, "7F"}}},
      {128, {{0, "8080"}}},
      {16383, {{0, "BFFF"}}},
      {16384, {{0, "C1"}, {16385, "00"}}},
      {65536 + 4464, {{0, "C4"}, {65537, "9170"}}},
      {2 * 16384 + 1, {{0, "C2"}, {32769, "01"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.size);
    asn::OctetString s;
    std::vector<uint8_t> value(c.size);
    for (size_t i = 0; i < value.size(); ++i) value[i] = static_cast<uint8_t>(i * 7);
    s.SetValue(value);
    std::vector<uint8_t> out;
    ASSERT_TRUE(s.Encode(out));
    for (const auto& [at, hex] : c.headers) {
      std::vector<uint8_t> want = FromHex(hex);
      ASSERT_LE(at + want.size(), out.size());
      EXPECT_EQ(ToHex(std::vector<uint8_t>(out.begin() + static_cast<long>(at),
                                           out.begin() + static_cast<long>(at + want.size()))),
                hex);
    }
    asn::OctetString back;
    ASSERT_TRUE(back.Decode(out));
    EXPECT_EQ(back.GetValue(), value);
  }
}

TEST(PerOctetString, SizeConstraintsChooseTheLayout) {
  struct Case {
    const char* what;
    size_t lb, ub;
    bool ext;
    const char* value;  // hex
    const char* hex;
  };
  const Case cases[] = {
      {"fixed four octets: no length", 4, 4, false, "7F000001", "7F000001"},
      {"fixed two octets: a plain bit field", 2, 2, false, "ABCD", "ABCD"},
      {"length 1..256 in one aligned octet", 1, 256, false, "5661726C6F", "045661726C6F"},
      {"length 1..20 in five bits, then aligned", 1, 20, false, "0102", "080102"},
      {"outside an extensible root", 1, 4, true, "0102030405", "80050102030405"},
      {"unconstrained", 0, asn::kUnbounded, false, "", "00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    asn::OctetString s;
    s.SetSizeConstraint(c.lb, c.ub, c.ext);
    s.SetValue(FromHex(c.value));
    EXPECT_EQ(EncodeHex(s), c.hex);
    asn::OctetString back;
    back.SetSizeConstraint(c.lb, c.ub, c.ext);
    ASSERT_TRUE(back.Decode(FromHex(c.hex)));
    EXPECT_EQ(ToHex(back.GetValue()), c.value);
  }
  asn::OctetString fixed;
  fixed.SetSizeConstraint(4, 4);
  fixed.SetValue("abc");
  EXPECT_EQ(EncodeHex(fixed), "error: size 3 outside 4..4");
}

TEST(PerCharString, DialledDigitsAreIndicesIntoTheSortedAlphabet) {
  asn::IA5String digits;
  digits.SetSizeConstraint(1, 128);
  digits.SetAlphabet("#*,0123456789");
  digits = "123#";
  // 7-bit length 3 (4 - 1), aligned, then 4-bit indices: '1'=4 '2'=5 '3'=6 '#'=0.
  EXPECT_EQ(EncodeHex(digits), "064560");
  digits = "12a";
  EXPECT_EQ(EncodeHex(digits).rfind("error: character 97", 0), 0u);
  asn::IA5String back;
  back.SetSizeConstraint(1, 128);
  back.SetAlphabet("#*,0123456789");
  ASSERT_TRUE(back.Decode(FromHex("064560")));
  EXPECT_EQ(back.GetValue(), "123#");
  std::string error;
  EXPECT_FALSE(back.Decode(FromHex("00F0"), &error));  // one character: index 15 of 13
  EXPECT_NE(error.find("outside the alphabet"), std::string::npos) << error;
  // Numbers of every length up to past two reads of the input's bits come back as sent.
  std::string number;
  for (int n = 1; n <= 40; ++n) {
    number += "0123456789#*,"[n % 13];
    digits = number;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(digits.Encode(bytes)) << n;
    ASSERT_TRUE(back.Decode(bytes)) << n;
    EXPECT_EQ(back.GetValue(), number);
    if (n == 20) {
      // An index past the alphabet among the later characters is refused too.
      bytes[1 + 17 / 2] |= 0x0F;
      EXPECT_FALSE(back.Decode(bytes, &error));
      EXPECT_NE(error.find("outside the alphabet"), std::string::npos) << error;
    }
  }
}

TEST(PerCharString, WidthsAndAlignmentFollowTheAlphabet) {
  asn::IA5String ia5;          // 8-bit codes behind an octet length
  asn::NumericString numeric;  // " 0123456789": 4-bit indices
  numeric.SetSizeConstraint(1, 16);
  asn::PrintableString printable;
  asn::IA5String key;  // SIZE (1) FROM ("0123456789#*ABCD!"): one 8-bit code, not aligned
  key.SetSizeConstraint(1, 1);
  key.SetAlphabet("!#*0123456789ABCD");
  asn::VisibleString visible;
  struct Case {
    const char* what;
    asn::CharString* value;
    const char* text;
    const char* hex;
  };
  const Case cases[] = {
      {"IA5String", &ia5, "h323", "0468333233"},
      {"NumericString: 4-bit length, aligned indices", &numeric, "0 9", "2010A0"},
      {"PrintableString", &printable, "Ab 1", "0441622031"},
      {"fixed single character", &key, "#", "23"},
      {"VisibleString", &visible, "~", "017E"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    *c.value = c.text;
    EXPECT_EQ(EncodeHex(*c.value), c.hex);
    c.value->SetValue("");
    ASSERT_TRUE(c.value->Decode(FromHex(c.hex)));
    EXPECT_EQ(c.value->GetValue(), c.text);
  }
  printable = "a@b";
  EXPECT_EQ(EncodeHex(printable).rfind("error: character 64", 0), 0u);
  // Codes outside the permitted alphabet are refused on the way in as well.
  for (auto [value, hex] : {std::pair<asn::CharString*, const char*>{&key, "24"},
                            {&ia5, "0180"},
                            {&printable, "0140"}}) {
    std::string error;
    EXPECT_FALSE(value->Decode(FromHex(hex), &error)) << hex;
    EXPECT_NE(error.find("not in the permitted alphabet"), std::string::npos) << error;
  }
}

TEST(PerBmpString, CarriesUtf8TextAsSixteenBitCharacters) {
  asn::BMPString s;
  s.SetSizeConstraint(1, 256);
  s = "A\xE4\xB8\xAD";  // "A" and U+4E2D
  EXPECT_EQ(EncodeHex(s), "0100414E2D");
  asn::BMPString back;
  back.SetSizeConstraint(1, 256);
  ASSERT_TRUE(back.Decode(FromHex("0100414E2D")));
  EXPECT_EQ(back.GetValue(), "A\xE4\xB8\xAD");
  s = "\xF0\x9F\x98\x80";  // outside the BMP: replaced, not lost silently as garbage
  EXPECT_EQ(s.GetUcs2(), std::u16string(1, u'\uFFFD'));
}

TEST(PerObjectId, EncodesBerArcsBehindALength) {
  asn::ObjectId id("0.0.8.2250.0.4");
  EXPECT_EQ(EncodeHex(id), "060008914A0004");
  asn::ObjectId big("2.999.1");
  EXPECT_EQ(EncodeHex(big), "03883701");
  asn::ObjectId back;
  ASSERT_TRUE(back.Decode(FromHex("03883701")));
  EXPECT_EQ(back.AsString(), "2.999.1");
  EXPECT_FALSE(back.Decode(FromHex("020081")));   // ends inside an arc
  EXPECT_FALSE(back.Decode(FromHex("0180")));     // leading 0x80 group
  EXPECT_FALSE(asn::ObjectId().SetValue("1..2"));
  asn::ObjectId one("1");
  EXPECT_EQ(EncodeHex(one).rfind("error:", 0), 0u);
}

TEST(PerBitString, FixedUpTo16BitsIsABitField) {
  asn::BitString b;
  b.SetSizeConstraint(32, 32);
  b.SetBit(31, true);
  EXPECT_EQ(EncodeHex(b), "00000001");
  asn::BitString small;
  small.SetSizeConstraint(0, 2048);
  small.SetBit(0, true);
  small.SetBit(2, true);
  // 12-bit length 3, then the aligned bits.
  EXPECT_EQ(EncodeHex(small), "0003A0");
  asn::BitString back;
  back.SetSizeConstraint(0, 2048);
  ASSERT_TRUE(back.Decode(FromHex("0003A0")));
  EXPECT_EQ(back.GetSize(), 3u);
  EXPECT_TRUE(back.GetBit(0) && !back.GetBit(1) && back.GetBit(2));
}

TEST(PerDecoder, RefusesMalformedLengthsAndTruncation) {
  asn::OctetString s;
  std::string error;
  EXPECT_FALSE(s.Decode(FromHex("C5"), &error));  // 5 blocks of 16K: not allowed
  EXPECT_EQ(error, "bad fragment length");
  EXPECT_FALSE(s.Decode(FromHex("0501020304"), &error));
  EXPECT_EQ(error, "truncated");
  EXPECT_FALSE(s.Decode(FromHex("C1") /* a whole 16K block announced, none there */, &error));
  EXPECT_FALSE(s.Decode(nullptr, 0, &error));
  asn::Integer i;
  i.SetRange(0, 65535);
  EXPECT_FALSE(i.Decode(FromHex("01"), &error));  // one of two octets
  asn::OpenType open;
  EXPECT_FALSE(open.Decode(FromHex("8001"), &error));
}

}  // namespace
