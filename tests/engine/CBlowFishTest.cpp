#include "engine/CBlowFish.h"

#include <gtest/gtest.h>

#include <string>

namespace {

ULONGLONG Encrypt(const std::string& key, ULONGLONG block) {
  CBlowFish cipher;
  cipher.SetKey(key.data(), static_cast<int>(key.size()));
  return cipher.EncryptBlock(block);
}

TEST(CBlowFishTest, RoundFunctionTakesTheLowByteForTheFirstBox) {
  EXPECT_EQ(CBlowFish().F(0x12345678), 0xBD0DC033u);
}

TEST(CBlowFishTest, KnownAnswerWithSignExtendedKeyBytes) {
  // Computed by a separate model of the cipher; the key holds bytes of 0x80 and more.
  const std::string key = "KOVA\xE9t\xE9";
  EXPECT_EQ(Encrypt(key, 0), 0x3C48FDAF764A9AFEull);
  EXPECT_EQ(Encrypt(key, 0x70617373), 0x644E6AFE54B67BEEull);  // "pass"
}

TEST(CBlowFishTest, DecryptInvertsEncrypt) {
  const std::string keys[] = {"K", "KOVAalice", std::string("\x80\xFF\x00\x7F", 4), std::string(100, 'z')};
  const ULONGLONG blocks[] = {0, 1, 0xFFFFFFFFFFFFFFFFull, 0x8000000000000000ull, 0x0123456789ABCDEFull,
                              0x00000000FFFFFFFFull};
  for (const auto& key : keys) {
    CBlowFish cipher;
    cipher.SetKey(key.data(), static_cast<int>(key.size()));
    for (ULONGLONG block : blocks) {
      const ULONGLONG enciphered = cipher.EncryptBlock(block);
      EXPECT_NE(enciphered, block);
      EXPECT_EQ(cipher.DecryptBlock(enciphered), block);
    }
  }
}

TEST(CBlowFishTest, KeyScheduleProperties) {
  const ULONGLONG block = 0x0123456789ABCDEFull;
  // Four bytes below 0x80 make one word; the first of them is shifted out, so with a key
  // length that is a multiple of 4 the bytes at positions 0, 4, 8, ... do not matter.
  EXPECT_EQ(Encrypt("ABCDEFGH", block), Encrypt("xBCDyFGH", block));
  EXPECT_NE(Encrypt("ABCDEFGH", block), Encrypt("AxCDEFGH", block));
  // A byte of 0x80 or more sets every bit above it: what precedes it in its word is lost.
  EXPECT_EQ(Encrypt("abc\x80", block), Encrypt("xyz\x80", block));
  EXPECT_NE(Encrypt("abc\x7F", block), Encrypt("xyz\x7F", block));
  // A short key is reused cyclically across word boundaries; bytes past the 72nd are unused.
  std::string cycled;
  while (cycled.size() < 72) cycled += "abcde";
  cycled.resize(72);
  EXPECT_EQ(Encrypt("abcde", block), Encrypt(cycled, block));
  EXPECT_EQ(Encrypt(cycled, block), Encrypt(cycled + "more key bytes", block));
  EXPECT_NE(Encrypt("abcde", block), Encrypt("abcdf", block));
}

TEST(CBlowFishTest, SetKeyStartsFromTheInitialTables) {
  CBlowFish cipher;
  cipher.SetKey("first", 5);
  cipher.SetKey("KOVA\xE9t\xE9", 7);
  EXPECT_EQ(cipher.EncryptBlock(0), 0x3C48FDAF764A9AFEull);
}

}  // namespace
