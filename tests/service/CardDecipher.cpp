#include "CardDecipher.h"

#include <algorithm>
#include <cstring>

#include "engine/BlowfishTables.h"

namespace service {

namespace {

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

uint32_t LoadLittle(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void StoreLittle(uint32_t v, uint8_t* p) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace

std::optional<std::vector<uint8_t>> Base64Decode(const std::string& text) {
  std::string clean;
  for (char c : text)
    if (c != '\r' && c != '\n') clean += c;
  if (clean.size() % 4 != 0) return std::nullopt;
  std::vector<uint8_t> out;
  for (size_t i = 0; i < clean.size(); i += 4) {
    const bool last = i + 4 == clean.size();
    int v[4];
    int pad = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = clean[i + k];
      if (c == '=' && last && k >= 2) {
        v[k] = 0;
        ++pad;
        continue;
      }
      if (pad > 0) return std::nullopt;  // a character after padding
      v[k] = Base64Value(c);
      if (v[k] < 0) return std::nullopt;
    }
    const uint32_t group = uint32_t(v[0]) << 18 | uint32_t(v[1]) << 12 | uint32_t(v[2]) << 6 | uint32_t(v[3]);
    out.push_back(static_cast<uint8_t>(group >> 16));
    if (pad < 2) out.push_back(static_cast<uint8_t>(group >> 8));
    if (pad < 1) out.push_back(static_cast<uint8_t>(group));
  }
  return out;
}

BlowfishDecipher::BlowfishDecipher(const uint8_t* key, size_t length) {
  std::memcpy(P_, kBlowfishInitP, sizeof P_);
  std::memcpy(S_, kBlowfishInitS, sizeof S_);
  size_t k = 0;
  for (uint32_t& p : P_) {
    uint32_t word = 0;
    for (int i = 0; i < 4; ++i) {
      word = word << 8 | key[k];
      k = (k + 1) % length;
    }
    p ^= word;
  }
  uint32_t l = 0, r = 0;
  for (int i = 0; i < 18; i += 2) {
    EncryptBlock(l, r);
    P_[i] = l;
    P_[i + 1] = r;
  }
  for (auto& box : S_) {
    for (int i = 0; i < 256; i += 2) {
      EncryptBlock(l, r);
      box[i] = l;
      box[i + 1] = r;
    }
  }
}

uint32_t BlowfishDecipher::F(uint32_t x) const {
  return ((S_[0][x >> 24] + S_[1][(x >> 16) & 0xFF]) ^ S_[2][(x >> 8) & 0xFF]) + S_[3][x & 0xFF];
}

void BlowfishDecipher::EncryptBlock(uint32_t& left, uint32_t& right) const {
  uint32_t l = left, r = right;
  for (int i = 0; i < 16; ++i) {
    l ^= P_[i];
    r ^= F(l);
    std::swap(l, r);
  }
  std::swap(l, r);
  r ^= P_[16];
  l ^= P_[17];
  left = l;
  right = r;
}

void BlowfishDecipher::DecryptBlock(uint32_t& left, uint32_t& right) const {
  uint32_t l = left, r = right;
  for (int i = 17; i > 1; --i) {
    l ^= P_[i];
    r ^= F(l);
    std::swap(l, r);
  }
  std::swap(l, r);
  r ^= P_[1];
  l ^= P_[0];
  left = l;
  right = r;
}

bool BlowfishDecipher::DecryptBuffer(uint8_t* buffer, size_t length) const {
  if (length % 8 != 0) return false;
  for (size_t i = 0; i < length; i += 8) {
    uint32_t l = LoadLittle(buffer + i), r = LoadLittle(buffer + i + 4);
    DecryptBlock(l, r);
    StoreLittle(l, buffer + i);
    StoreLittle(r, buffer + i + 4);
  }
  return true;
}

std::vector<uint8_t> CardKey() {
  return {0x4B, 0x6F, 0x76, 0x61, 0x2D, 0x43, 0x61, 0x72, 0x64, 0x1F,
          0x93, 0x5A, 0x0E, 0xC7, 0x21, 0x38, 0xD4, 0x77, 0x05, 0xB2};
}

std::optional<CardText> ParseCardText(const std::string& text) {
  if (text.size() < 2 || (text[0] != '1' && text[0] != '2')) return std::nullopt;
  const int format = text[0] - '0';
  const size_t selectors = format == 1 ? 2 : 4;
  if (text.size() < 1 + selectors + 2 || text.compare(text.size() - 2, 2, "00") != 0) return std::nullopt;
  const std::string sel = text.substr(1, selectors);
  const std::string body = text.substr(1 + selectors, text.size() - 3 - selectors);
  // n is written in decimal right before the identifier; try each length of digits whose
  // value is the length of what follows it.
  for (size_t digits = 1; digits <= 3 && digits < body.size(); ++digits) {
    if (!std::all_of(body.begin(), body.begin() + digits, [](char c) { return c >= '0' && c <= '9'; })) break;
    const size_t n = std::stoul(body.substr(0, digits));
    const std::string rest = body.substr(digits);
    const size_t slash = rest.find('/');
    if (rest.size() != n || slash == std::string::npos) continue;
    CardText card{text, format, rest.substr(0, slash), rest.substr(slash + 1)};
    const std::string& pin = card.pin;
    if (pin.size() < 4) return std::nullopt;
    const bool selectorsMatch = format == 1 ? sel == std::string{pin[0], pin[2]}
                                            : sel == std::string{pin[1], pin[1], pin[3], pin[3]};
    if (!selectorsMatch) return std::nullopt;
    return card;
  }
  return std::nullopt;
}

std::optional<CardText> DecipherCardAlias(const std::string& alias, std::string* raw) {
  if (alias.size() < 2 || alias.compare(0, 2, "02") != 0) return std::nullopt;
  auto bytes = Base64Decode(alias.substr(2));
  if (!bytes || bytes->size() != 40) return std::nullopt;
  const auto key = CardKey();
  BlowfishDecipher cipher(key.data(), key.size());
  cipher.DecryptBuffer(bytes->data(), bytes->size());
  const auto nul = std::find(bytes->begin(), bytes->end(), uint8_t{0});
  std::string text(bytes->begin(), nul);
  if (raw) *raw = text;
  return ParseCardText(text);
}

}  // namespace service
