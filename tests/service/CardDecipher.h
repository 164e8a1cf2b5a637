// The gatekeeper's side of the calling-card alias: the base64 text after "02" decoded, its
// 40 bytes deciphered with the card key (Blowfish, each 8-byte block read as two
// little-endian halves), and the card text read back into operator identifier and PIN.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace service {

// Standard base64 with "=" padding; CR and LF are skipped. Nothing for any other
// character outside the alphabet or a length that does not end a group.
std::optional<std::vector<uint8_t>> Base64Decode(const std::string& text);

// Blowfish decryption under a key, from the published algorithm (the key schedule runs
// the cipher forwards, as the published algorithm does).
class BlowfishDecipher {
 public:
  BlowfishDecipher(const uint8_t* key, size_t length);
  void DecryptBlock(uint32_t& left, uint32_t& right) const;
  // Deciphers whole 8-byte blocks in place, halves loaded and stored little-endian; false
  // (and nothing changed) when the length is not a multiple of 8.
  bool DecryptBuffer(uint8_t* buffer, size_t length) const;

 private:
  uint32_t F(uint32_t x) const;
  void EncryptBlock(uint32_t& left, uint32_t& right) const;

  uint32_t P_[18];
  uint32_t S_[4][256];
};

// The card key the service shares with the softphone.
std::vector<uint8_t> CardKey();

struct CardText {
  std::string text;        // the deciphered text up to its first NUL
  int format = 0;          // 1: even-second format, 2: odd-second format
  std::string identifier;  // operator identifier
  std::string pin;
};

// Reads a card text: "1" pin[0] pin[2] n identifier "/" pin "00", or "2" pin[1] pin[1]
// pin[3] pin[3] n identifier "/" pin "00", n being the length of identifier "/" pin. Nothing
// when the text is not of either form or its selector characters do not match the PIN.
std::optional<CardText> ParseCardText(const std::string& text);

// The whole way from a card alias ("02" + 56 characters) to its card text; the deciphered
// text is returned in `raw` even when it does not parse.
std::optional<CardText> DecipherCardAlias(const std::string& alias, std::string* raw = nullptr);

}  // namespace service
