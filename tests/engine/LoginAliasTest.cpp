#include "engine/LoginAlias.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

TEST(LoginAlias, AccountAliasAndCardPassword) {
  EXPECT_EQ(BuildAccountAlias("KOVA", "alice"), "03KOVA/alice");
  EXPECT_EQ(CardPassword("123456789012"), "12349012");
}

TEST(LoginAlias, CardTextFormatFollowsTheParityOfTheSeconds) {
  BYTE buffer[kCardBufferBytes];
  ASSERT_TRUE(BuildCardText("KOVA", "123456789012", 4, buffer));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer)), "11317KOVA/12345678901200");
  for (int i = 24; i < kCardBufferBytes; ++i) EXPECT_EQ(buffer[i], 0);
  ASSERT_TRUE(BuildCardText("KOVA", "123456789012", 59, buffer));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer)), "2224417KOVA/12345678901200");
}

TEST(LoginAlias, CardAliasIs58CharactersAndDiffersByParity) {
  CString even, odd;
  ASSERT_TRUE(BuildCardAlias("KOVA", "123456789012", 10, even));
  ASSERT_TRUE(BuildCardAlias("KOVA", "123456789012", 11, odd));
  for (const CString& alias : {even, odd}) {
    EXPECT_EQ(alias.GetLength(), 58);
    EXPECT_EQ(alias.Left(2), "02");
    EXPECT_EQ(alias.Right(2), "==");
  }
  EXPECT_NE(even, odd);
  CString again;
  ASSERT_TRUE(BuildCardAlias("KOVA", "123456789012", 12, again));
  EXPECT_EQ(again, even);  // ECB under one key: the same text gives the same alias
}

TEST(LoginAlias, ShortPinIsRefusedAndLongTextIsCutAtTheBuffer) {
  BYTE buffer[kCardBufferBytes];
  CString alias = "unchanged";
  for (const char* pin : {"", "1", "123"}) {
    EXPECT_FALSE(BuildCardText("KOVA", pin, 0, buffer)) << pin;
    EXPECT_FALSE(BuildCardAlias("KOVA", pin, 0, alias)) << pin;
  }
  EXPECT_EQ(alias, "unchanged");
  const CString longPin = "1234567890123456789012345678901234567890";
  ASSERT_TRUE(BuildCardText("KOVA", longPin, 0, buffer));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), kCardBufferBytes),
            std::string("11345KOVA/123456789012345678901234567890"));
  ASSERT_TRUE(BuildCardAlias("KOVA", longPin, 0, alias));
  EXPECT_EQ(alias.GetLength(), 58);
}
