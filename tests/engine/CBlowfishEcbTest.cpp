#include "engine/CBlowfishEcb.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

namespace {

std::vector<BYTE> Hex(const char* text) {
  std::vector<BYTE> out;
  for (size_t i = 0; text[i] != '\0' && text[i + 1] != '\0'; i += 2) {
    out.push_back(static_cast<BYTE>(std::stoi(std::string(text + i, 2), nullptr, 16)));
  }
  return out;
}

DWORD BigEndian(const BYTE* p) {
  return (DWORD{p[0]} << 24) | (DWORD{p[1]} << 16) | (DWORD{p[2]} << 8) | DWORD{p[3]};
}

TEST(CBlowfishEcbTest, RoundFunctionInThePublishedOrder) {
  EXPECT_EQ(CBlowfishEcb().F(0x12345678), 0x3C6FDDD4u);
}

// Published Blowfish test vectors (key, plaintext, ciphertext in the usual big-endian form),
// including set-key vectors of several key lengths (the card key has 20 bytes).
TEST(CBlowfishEcbTest, PublishedVectors) {
  struct Case {
    const char* key;
    const char* plain;
    const char* cipher;
  } cases[] = {
      {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
      {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
      {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
      {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
      {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
      {"F0", "FEDCBA9876543210", "F9AD597C49DB005E"},
      {"F0E1D2C3B4", "FEDCBA9876543210", "B39E44481BDB1E6E"},
      {"F0E1D2C3B4A5968778695A4B3C2D1E0F00112233", "FEDCBA9876543210", "10851C0E3858DA9F"},
      {"F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677", "FEDCBA9876543210", "05044B62FA52D080"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    const auto key = Hex(c.key);
    const auto plain = Hex(c.plain);
    const auto cipher = Hex(c.cipher);
    CBlowfishEcb bf;
    bf.Init(key.data(), static_cast<int>(key.size()));
    DWORD l = BigEndian(&plain[0]);
    DWORD r = BigEndian(&plain[4]);
    bf.EncryptBlock(l, r);
    EXPECT_EQ(l, BigEndian(&cipher[0]));
    EXPECT_EQ(r, BigEndian(&cipher[4]));
  }
}

TEST(CBlowfishEcbTest, BufferHalvesAreLittleEndian) {
  const BYTE key[8] = {};
  CBlowfishEcb bf;
  bf.Init(key, 8);
  std::array<BYTE, 16> buffer{};
  ASSERT_EQ(bf.EncryptBuffer(buffer.data(), 16), 1);
  const std::array<BYTE, 16> expected = {0x45, 0x97, 0xF9, 0x4E, 0x78, 0xDD, 0x98, 0x61,
                                         0x45, 0x97, 0xF9, 0x4E, 0x78, 0xDD, 0x98, 0x61};
  EXPECT_EQ(buffer, expected);

  // Plaintext 0123456789ABCDEF under key FEDCBA9876543210, each half byte-reversed.
  const auto key2 = Hex("FEDCBA9876543210");
  bf.Init(key2.data(), 8);
  BYTE block[8] = {0x67, 0x45, 0x23, 0x01, 0xEF, 0xCD, 0xAB, 0x89};
  ASSERT_EQ(bf.EncryptBuffer(block, 8), 1);
  const BYTE want[8] = {0x0F, 0xAB, 0xCE, 0x0A, 0x8D, 0xA2, 0xA0, 0xC6};
  EXPECT_EQ(std::memcmp(block, want, 8), 0);
}

TEST(CBlowfishEcbTest, BufferLengthRules) {
  const BYTE key[20] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
  CBlowfishEcb bf;
  bf.Init(key, 20);
  std::array<BYTE, 12> odd{};
  for (size_t i = 0; i < odd.size(); ++i) odd[i] = static_cast<BYTE>(i * 7);
  const auto before = odd;
  EXPECT_EQ(bf.EncryptBuffer(odd.data(), 12), 0);
  EXPECT_EQ(odd, before);
  EXPECT_EQ(bf.EncryptBuffer(odd.data(), 0), 1);
  EXPECT_EQ(odd, before);
  EXPECT_EQ(bf.EncryptBuffer(odd.data(), -8), 0);
  EXPECT_EQ(odd, before);

  // ECB: equal blocks give equal results, and the same buffer enciphers the same way twice.
  std::array<BYTE, 40> card{};
  const char text[] = "KOVA123456789012";
  std::memcpy(card.data(), text, 16);
  auto again = card;
  ASSERT_EQ(bf.EncryptBuffer(card.data(), 40), 1);
  ASSERT_EQ(bf.EncryptBuffer(again.data(), 40), 1);
  EXPECT_EQ(card, again);
  EXPECT_EQ(std::memcmp(&card[16], &card[24], 8), 0);
  EXPECT_EQ(std::memcmp(&card[24], &card[32], 8), 0);
  EXPECT_NE(std::memcmp(&card[0], &card[8], 8), 0);
}

}  // namespace
