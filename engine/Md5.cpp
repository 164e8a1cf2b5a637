#include "engine/Md5.h"

#include <cstdint>

#include "stack/ras/Md5.h"

CString MD5HexString(const CString& text) {
  return MD5HexString(text.GetString(), static_cast<std::size_t>(text.GetLength()));
}

CString MD5HexString(const void* data, std::size_t length) {
  static const uint8_t kEmpty = 0;
  const auto digest = ras::Md5(data != nullptr ? static_cast<const uint8_t*>(data) : &kEmpty,
                               data != nullptr ? length : 0);
  static const char kHex[] = "0123456789abcdef";
  CString out;
  for (const uint8_t b : digest) {
    out += kHex[b >> 4];
    out += kHex[b & 0x0F];
  }
  return out;
}
