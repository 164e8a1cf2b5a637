#pragma once
// CBlowFish: the block cipher that protects the password and PIN in "client.dat".
//
// It has Blowfish's structure (16 rounds, P-array, four S-boxes, the published initial
// tables) but differs from the published cipher in three ways that the stored files depend
// on:
// - F indexes S0 with the least significant byte of its argument and S3 with the most
//   significant one;
// - a key word is built as four times w = (w | k) << 8 with each key byte k sign-extended,
//   so the first of the four bytes is shifted out and the low byte of the word is zero;
// - a block is one 64-bit integer whose low 32 bits are the left half.

#include "platform/core/WinTypes.h"

class CBlowFish {
public:
  CBlowFish();  // the tables start as the initial ones; SetKey applies a key
  virtual ~CBlowFish();

  // `length` key bytes, taken as signed; a shorter key is used cyclically.  A length below
  // 1 applies no key bytes (the key words are 0) and still regenerates the tables.
  void SetKey(const void* key, int length);

  ULONGLONG EncryptBlock(ULONGLONG block) const;
  ULONGLONG DecryptBlock(ULONGLONG block) const;

  DWORD F(DWORD x) const;

private:
  void Encrypt(DWORD& left, DWORD& right) const;

  DWORD m_S[4][256];
  DWORD m_P[18];
};
