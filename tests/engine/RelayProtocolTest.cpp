#include "engine/RelayProtocol.h"

#include <gtest/gtest.h>

#include <cstring>

#include "engine/CRandom15.h"

TEST(RelayProtocol, TokenIsAlways32DecimalDigitsAndCheckIsItsSaltedMd5) {
  for (uint32_t seed : {0u, 1u, 77u, 1700000000u, 0xFFFFFFFFu}) {
    CRandom15 random(seed);
    CString token = MakeRelayToken(random);
    ASSERT_EQ(token.GetLength(), 32) << seed;
    for (int i = 0; i < token.GetLength(); ++i) EXPECT_TRUE(token[i] >= '0' && token[i] <= '9');
    CString check = RelayCheckValue(token);
    ASSERT_EQ(check.GetLength(), 32);
    for (int i = 0; i < check.GetLength(); ++i) EXPECT_TRUE(std::strchr("0123456789abcdef", check[i]));
  }
  // MD5("12345678901234567890123456789012www.qelvorn.xqz"), computed independently.
  EXPECT_EQ(RelayCheckValue("12345678901234567890123456789012"), "dd56a060b40c7f2465f150253b3730cb");
}

TEST(RelayProtocol, GeneratorIs15Bit) {
  CRandom15 random(12345);
  for (int i = 0; i < 100000; ++i) {
    int v = random.Next();
    ASSERT_GE(v, 0);
    ASSERT_LE(v, 32767);
  }
}

TEST(RelayProtocol, RequestTexts) {
  EXPECT_EQ(FormatRelayGrq("T", "C", {"10.1.2.3", "192.168.0.7"}), "GRQ T C 10.1.2.3 192.168.0.7");
  EXPECT_EQ(FormatRelayGrq("T", "C", {}), "GRQ T C ");
  EXPECT_EQ(FormatRelayArq("T", "C"), "ARQ T C");
  EXPECT_EQ(FormatRelayDrq("T"), "DRQ T");
}

TEST(RelayProtocol, GrqAcceptsOnlyATrueAfterTheFirstCharacter) {
  struct Case {
    const char* reply;
    bool accepted;
  } cases[] = {
      {"", false},          {"TRUE", false},     {"true", false},      {"TRUE TRUE", false},
      {"True and more", false}, {" true", true}, {"OK TRUE", true},    {"ok true", true},
      {"xTrUe", true},      {"FALSE", false},    {"OK", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsRelayGrqAccepted(c.reply), c.accepted) << "'" << c.reply << "'";
}

TEST(RelayProtocol, ArqReplyParsing) {
  struct Case {
    const char* reply;
    bool ok;
    int a, b, c, d, rtp, rtcp;
  } cases[] = {
      {"OK 1 10.20.30.40 5000 5001", true, 10, 20, 30, 40, 5000, 5001},
      {"OK 1 10.20.30.40 5000 5001 extra words", true, 10, 20, 30, 40, 5000, 5001},
      {"OK 1 10.20.30.40 5000 5001\r\n", true, 10, 20, 30, 40, 5000, 5001},
      {"OK 1 10.20.30.40 5000", false, 0, 0, 0, 0, 0, 0},           // four words
      {"OK", false, 0, 0, 0, 0, 0, 0},                              // one word
      {"", false, 0, 0, 0, 0, 0, 0},                                // nothing
      {"OK 1 10.20.30 5000 5001", false, 0, 0, 0, 0, 0, 0},         // three octets
      {"OK 1 10.20.30.400 5000 5001", false, 0, 0, 0, 0, 0, 0},     // octet out of range
      {"OK 1 relay.example 5000 5001", false, 0, 0, 0, 0, 0, 0},    // not a dotted quad
      {"OK 1 10.20.30.40 0 5001", false, 0, 0, 0, 0, 0, 0},         // port zero
      {"OK 1 10.20.30.40 70000 5001", false, 0, 0, 0, 0, 0, 0},     // port out of range
      {"OK 1 10.20.30.40 99999999999 5001", false, 0, 0, 0, 0, 0, 0},
      {"OK  1 10.20.30.40 5000 5001", false, 0, 0, 0, 0, 0, 0},     // double space shifts the words
  };
  for (const Case& c : cases) {
    RelayGrant grant;
    ASSERT_EQ(ParseRelayGrant(c.reply, std::strlen(c.reply), grant), c.ok) << c.reply;
    if (!c.ok) continue;
    EXPECT_EQ(grant.octets[0], c.a);
    EXPECT_EQ(grant.octets[1], c.b);
    EXPECT_EQ(grant.octets[2], c.c);
    EXPECT_EQ(grant.octets[3], c.d);
    EXPECT_EQ(grant.rtpPort, c.rtp);
    EXPECT_EQ(grant.rtcpPort, c.rtcp);
  }
  // The reply buffer is not terminated: only `length` bytes count, and a NUL ends the text.
  const char raw[] = {'O', 'K', ' ', '1', ' ', '1', '.', '2', '.', '3', '.', '4', ' ', '9', ' ', '8', '7', '7'};
  RelayGrant grant;
  ASSERT_TRUE(ParseRelayGrant(raw, 16, grant));
  EXPECT_EQ(grant.rtcpPort, 8);
  EXPECT_FALSE(ParseRelayGrant("OK 1 1.2.3.4\0 9 8", 18, grant));
}

TEST(RelayProtocol, LocalPortIsEvenInItsRangeAndServerIndexStaysInBounds) {
  for (int r = 0; r <= CRandom15::kMax; ++r) {
    int p = RelayLocalPort(r);
    ASSERT_EQ(p % 2, 0) << r;
    ASSERT_GE(p, 1024);
    ASSERT_LE(p, 61024);
    for (int untried : {1, 2, 3, 20}) {
      int i = PickRelayServerIndex(r, untried);
      ASSERT_GE(i, 0);
      ASSERT_LT(i, untried);
    }
  }
  EXPECT_EQ(PickRelayServerIndex(CRandom15::kMax, 3), 2);
}
