#include "engine/LoginAlias.h"

#include <cstdio>
#include <cstring>

#include "engine/Base64.h"
#include "engine/CBlowfishEcb.h"

namespace {

constexpr int kCardKeyBytes = 20;

// The service's card cipher key.  It is put together here, on the stack, right before use,
// so that it never sits in the program as one piece.
void BuildCardKey(BYTE (&key)[kCardKeyBytes]) {
  const BYTE head[] = {0x4B, 0x6F, 0x76, 0x61, 0x2D};         // 5 bytes
  const BYTE middle[] = {0x43, 0x61, 0x72, 0x64, 0x1F, 0x93};  // 6 bytes
  const BYTE tail[] = {0x5A, 0x0E, 0xC7, 0x21, 0x38, 0xD4, 0x77, 0x05, 0xB2};  // 9 bytes
  int n = 0;
  for (BYTE b : head) key[n++] = b;
  for (BYTE b : middle) key[n++] = b;
  for (BYTE b : tail) key[n++] = b;
}

}  // namespace

CString BuildAccountAlias(const CString& identifier, const CString& account) {
  CString alias;
  alias.Format("03%s/%s", static_cast<const char*>(identifier), static_cast<const char*>(account));
  return alias;
}

BOOL BuildCardText(const CString& identifier, const CString& pin, int seconds, BYTE (&buffer)[kCardBufferBytes]) {
  std::memset(buffer, 0, sizeof buffer);
  if (pin.GetLength() < kMinCardPinLength) return FALSE;
  const int n = identifier.GetLength() + pin.GetLength() + 1;
  const char* id = identifier;
  const char* p = pin;
  char text[kCardBufferBytes + 1] = {};
  if (seconds % 2 == 0)
    std::snprintf(text, sizeof text, "1%c%c%d%s/%s00", p[0], p[2], n, id, p);
  else
    std::snprintf(text, sizeof text, "2%c%c%c%c%d%s/%s00", p[1], p[1], p[3], p[3], n, id, p);
  std::memcpy(buffer, text, kCardBufferBytes);
  return TRUE;
}

BOOL BuildCardAlias(const CString& identifier, const CString& pin, int seconds, CString& alias) {
  BYTE buffer[kCardBufferBytes];
  if (!BuildCardText(identifier, pin, seconds, buffer)) return FALSE;
  BYTE key[kCardKeyBytes];
  BuildCardKey(key);
  CBlowfishEcb cipher;
  cipher.Init(key, kCardKeyBytes);
  std::memset(key, 0, sizeof key);
  cipher.EncryptBuffer(buffer, kCardBufferBytes);
  char text[64] = {};
  int count = Base64Encode(buffer, kCardBufferBytes, text);
  alias = "02" + CString(text, count);
  return TRUE;
}

CString CardPassword(const CString& pin) { return pin.Left(4) + pin.Right(4); }
