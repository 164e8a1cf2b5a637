#include "stack/asn/Utf8.h"

#include <cstdint>

namespace asn {

namespace {
constexpr char16_t kReplacement = 0xFFFD;
}

std::u16string Utf8ToBmp(std::string_view utf8) {
  std::u16string out;
  size_t i = 0;
  while (i < utf8.size()) {
    auto c = static_cast<unsigned char>(utf8[i]);
    unsigned need = 0;
    uint32_t cp = 0;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      need = 1;
      cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      need = 2;
      cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      need = 3;
      cp = c & 0x07;
    } else {
      out += kReplacement;
      ++i;
      continue;
    }
    size_t j = i + 1;
    bool bad = false;
    for (unsigned k = 0; k < need; ++k, ++j) {
      if (j >= utf8.size() || (static_cast<unsigned char>(utf8[j]) & 0xC0) != 0x80) {
        bad = true;
        break;
      }
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[j]) & 0x3F);
    }
    static const uint32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (bad || cp < kMin[need] || cp > 0xFFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out += kReplacement;
      i = j;  // a byte that broke the sequence starts the next character
      continue;
    }
    out += static_cast<char16_t>(cp);
    i = j;
  }
  return out;
}

std::string BmpToUtf8(std::u16string_view bmp) {
  std::string out;
  for (char16_t u : bmp) {
    uint32_t cp = u;
    if (cp >= 0xD800 && cp <= 0xDFFF) cp = kReplacement;
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

}  // namespace asn
