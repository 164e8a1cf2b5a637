// Messages from a peer whose modules carry more extension additions than ours (the probe
// module's nested types against probe/Varlo-Probe-Next.asn): they decode here and are
// written back octet for octet, unknown additions and alternatives included.

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "ErlangOracle.h"
#include "tests/stack/asn/probe/Probe.h"

using testing_tools::ErlangOracle;
using testing_tools::FromHex;
using testing_tools::ToHex;

namespace {

std::unique_ptr<asn::Object> MakeProbeValue(const std::string& type) {
  if (type == "Outer") return std::make_unique<Probe_Outer>();
  if (type == "Inner") return std::make_unique<Probe_Inner>();
  if (type == "Pick") return std::make_unique<Probe_Pick>();
  if (type == "Deep") return std::make_unique<Probe_Deep>();
  return nullptr;
}

// Decodes `hex` as `type` of the older module and encodes it again.
void ExpectWrittenBack(const std::string& type, const std::string& hex) {
  auto value = MakeProbeValue(type);
  ASSERT_NE(value, nullptr);
  std::string error;
  ASSERT_TRUE(value->Decode(FromHex(hex), &error)) << error;
  std::vector<uint8_t> again;
  ASSERT_TRUE(value->Encode(again, &error)) << error;
  EXPECT_EQ(ToHex(again), hex);
  // A copy carries the unknown parts along.
  auto copy = value->Clone();
  ASSERT_TRUE(copy->Encode(again, &error)) << error;
  EXPECT_EQ(ToHex(again), hex);
}

TEST(NewerPeer, HandMadeAdditionsAtSeveralDepthsComeBackUnchanged) {
  struct Case {
    const char* what;
    const char* type;
    const char* hex;
  } cases[] = {
      // n = 5; bitmap "101": BOOLEAN true, INTEGER -5
      {"sequence, additions 1 and 3", "Deep", "8005054001800201FB"},
      // extension alternative 0 (a digit, 9)
      {"choice, unknown alternative", "Pick", "800190"},
      // pick = deep (with the additions above); the second addition, pick = none
      {"unknown additions two deep and beside them", "Inner", "B0050540018002" "01FB" "0280" "0100"},
      // a = 3; inner.pick.deep n = 7 with its third addition only (bitmap "001")
      {"unknown addition three deep", "Outer", "330704400201FB"},
  };
  std::vector<std::string> requests;
  for (const auto& c : cases) requests.push_back(std::string("decode ") + c.type + " " + c.hex);
  std::string why;
  bool erlang = ErlangOracle::Available(&why);
  std::vector<testing_tools::OracleReply> replies;
  if (erlang) replies = ErlangOracle::Run(requests, "Varlo-Probe-Next");
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].what);
    if (erlang) {
      ASSERT_TRUE(replies[i].ok) << "not a valid encoding: " << replies[i].text;
    }
    ExpectWrittenBack(cases[i].type, cases[i].hex);
  }
}

TEST(NewerPeer, ErlangEncodedAdditionsComeBackUnchanged) {
  std::string why;
  if (!ErlangOracle::Available(&why)) GTEST_SKIP() << why;
  const char* values[] = {
      R"({"a":3,"inner":{"pick":{"deep":{"d3":-5,"n":7}}}})",
      R"({"a":0,"inner":{"pick":{"digit":9}}})",
      R"({"a":5,"inner":{"pick":{"more":{"d1":false,"n":1}}},"later":{"pick":{"none":null}}})",
      R"({"a":1,"count":500,"g1":true,"g2":"hi","inner":{"alt":{"digit":4},"label":"x",)"
      R"("pick":{"none":null}},"later":{"pick":{"deep":{"d1":true,"d2":null,"n":9}}}})",
      R"({"a":2,"g1":false,"inner":{"pick":{"deep":{"n":255}}},"later":{"label":"y","pick":)"
      R"({"deep":{"d2":null,"n":0}}}})",
  };
  std::vector<std::string> encodes;
  for (const char* v : values) encodes.push_back(std::string("encode Outer ") + v);
  auto encoded = ErlangOracle::Run(encodes, "Varlo-Probe-Next");
  std::vector<std::string> decodes;
  for (const auto& e : encoded) decodes.push_back("decode Outer " + (e.ok ? e.text : "00"));
  // What the older module makes of them, by erlang's codec: the value ours must show.
  auto older = ErlangOracle::Run(decodes, "Varlo-Probe");
  for (size_t i = 0; i < std::size(values); ++i) {
    SCOPED_TRACE(values[i]);
    ASSERT_TRUE(encoded[i].ok) << encoded[i].text;
    ASSERT_TRUE(older[i].ok) << older[i].text;
    Probe_Outer outer;
    std::string error;
    ASSERT_TRUE(outer.Decode(FromHex(encoded[i].text), &error)) << error;
    // An unknown alternative shows as "extension-N" here, as "extension" there.
    std::string ours = std::regex_replace(outer.ToJson(), std::regex("\"extension-[0-9]+\""),
                                          "\"extension\"");
    EXPECT_EQ(ours, older[i].text);
    ExpectWrittenBack("Outer", encoded[i].text);
  }
}

TEST(NewerPeer, BitmapRunsToTheLastAdditionPresent) {
  // Only the first of four additions: a bitmap of one bit, then NULL's open type.
  Probe_Record record;
  record.m_id = 3;
  record.m_tail = 9;
  record.IncludeOptionalField(Probe_Record::e_single);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(record.Encode(bytes));
  EXPECT_EQ(ToHex(bytes), "8D20200100");
  // A value that came with the full-length bitmap keeps it; a fresh copy of its fields
  // does not.
  Probe_Record full;
  ASSERT_TRUE(full.Decode(FromHex("8D20E00100")));  // bitmap "1000"
  ASSERT_TRUE(full.Encode(bytes));
  EXPECT_EQ(ToHex(bytes), "8D20E00100");
  EXPECT_TRUE(full.HasOptionalField(Probe_Record::e_single));
}

}  // namespace
