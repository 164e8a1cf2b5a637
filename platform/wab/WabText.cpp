#include "platform/wab/WabText.h"

#include <cstdint>

#include "platform/wab/Wab.h"

namespace varlo::wab {
namespace {

// The length of the UTF-8 sequence at p (at most `left` bytes), 0 when it is not one.
size_t SequenceLength(const unsigned char* p, size_t left, uint32_t& code) {
  const unsigned char c = p[0];
  size_t n = 0;
  uint32_t min = 0;
  if (c < 0x80) {
    code = c;
    return 1;
  } else if ((c & 0xE0) == 0xC0) {
    n = 2, code = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    n = 3, code = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    n = 4, code = c & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (n > left) return 0;
  for (size_t i = 1; i < n; ++i) {
    if ((p[i] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (p[i] & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

std::string SafeText(const char* text) {
  std::string out;
  if (!text) return out;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  size_t left = std::char_traits<char>::length(text);
  while (left > 0) {
    uint32_t code = 0;
    size_t n = SequenceLength(p, left, code);
    std::string piece;
    if (n == 0) {
      piece = "\xEF\xBF\xBD";  // the replacement character
      n = 1;
    } else if (code < 0x20 || (code >= 0x7F && code < 0xA0) || code == 0x2028 || code == 0x2029) {
      piece = " ";
    } else {
      piece.assign(reinterpret_cast<const char*>(p), n);
    }
    if (out.size() + piece.size() > kMaxPropText) break;
    out += piece;
    p += n;
    left -= n;
  }
  return out;
}

}  // namespace varlo::wab
