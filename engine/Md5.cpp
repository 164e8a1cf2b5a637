#include "engine/Md5.h"

#include <openssl/evp.h>

CString MD5HexString(const CString& text) {
  return MD5HexString(text.GetString(), static_cast<std::size_t>(text.GetLength()));
}

CString MD5HexString(const void* data, std::size_t length) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  static const char kEmpty = 0;
  if (EVP_Digest(data != nullptr ? data : &kEmpty, data != nullptr ? length : 0, digest, &size,
                 EVP_md5(), nullptr) != 1) {
    return CString();
  }
  static const char kHex[] = "0123456789abcdef";
  CString out;
  for (unsigned int i = 0; i < size; ++i) {
    out += kHex[digest[i] >> 4];
    out += kHex[digest[i] & 0x0F];
  }
  return out;
}
