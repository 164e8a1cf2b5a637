#pragma once
// CBlowfishEcb: the published Blowfish cipher in ECB mode, as the calling-card login uses
// it.  A buffer's 8-byte blocks are loaded as two little-endian 32-bit halves (bytes 0-3 the
// left half, byte 0 least significant) and stored back the same way; there is no chaining
// and no padding.

#include "platform/core/WinTypes.h"

class CBlowfishEcb {
public:
  CBlowfishEcb();  // the tables start as the initial ones

  // Copies the initial tables, then applies the key.
  void Init(const BYTE* key, int length);
  // The published key schedule on the tables as they stand.  A length below 1 applies no
  // key bytes and still regenerates the tables.
  void SetKey(const BYTE* key, int length);

  void EncryptBlock(DWORD& left, DWORD& right) const;
  // Returns 1, or 0 when `length` is not a multiple of 8 (the buffer is then untouched).
  int EncryptBuffer(BYTE* buffer, int length) const;

  DWORD F(DWORD x) const;

private:
  DWORD P[18];
  DWORD S[4][256];
};
