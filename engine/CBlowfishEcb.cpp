#include "engine/CBlowfishEcb.h"

#include <cstring>
#include <utility>

#include "engine/BlowfishTables.h"

namespace {

constexpr int kRounds = 16;
constexpr int kBlockBytes = 8;

DWORD LoadLittleEndian(const BYTE* p) {
  return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
         (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
}

void StoreLittleEndian(DWORD v, BYTE* p) {
  p[0] = static_cast<BYTE>(v);
  p[1] = static_cast<BYTE>(v >> 8);
  p[2] = static_cast<BYTE>(v >> 16);
  p[3] = static_cast<BYTE>(v >> 24);
}

}  // namespace

CBlowfishEcb::CBlowfishEcb() {
  std::memcpy(P, kBlowfishInitP, sizeof P);
  std::memcpy(S, kBlowfishInitS, sizeof S);
}

void CBlowfishEcb::Init(const BYTE* key, int length) {
  std::memcpy(P, kBlowfishInitP, sizeof P);
  std::memcpy(S, kBlowfishInitS, sizeof S);
  SetKey(key, length);
}

DWORD CBlowfishEcb::F(DWORD x) const {
  const DWORD a = x >> 24;
  const DWORD b = (x >> 16) & 0xFF;
  const DWORD c = (x >> 8) & 0xFF;
  const DWORD d = x & 0xFF;
  return ((S[0][a] + S[1][b]) ^ S[2][c]) + S[3][d];
}

void CBlowfishEcb::SetKey(const BYTE* key, int length) {
  int j = 0;
  for (DWORD& p : P) {
    DWORD w = 0;
    if (key != nullptr && length > 0) {
      for (int n = 0; n < 4; ++n) {
        w = (w << 8) | key[j];
        if (++j == length) j = 0;
      }
    }
    p ^= w;
  }
  DWORD l = 0;
  DWORD r = 0;
  for (int i = 0; i < 18; i += 2) {
    EncryptBlock(l, r);
    P[i] = l;
    P[i + 1] = r;
  }
  for (auto& box : S) {
    for (int k = 0; k < 256; k += 2) {
      EncryptBlock(l, r);
      box[k] = l;
      box[k + 1] = r;
    }
  }
}

void CBlowfishEcb::EncryptBlock(DWORD& left, DWORD& right) const {
  DWORD l = left;
  DWORD r = right;
  for (int i = 0; i < kRounds; ++i) {
    l ^= P[i];
    r ^= F(l);
    std::swap(l, r);
  }
  std::swap(l, r);
  r ^= P[16];
  l ^= P[17];
  left = l;
  right = r;
}

int CBlowfishEcb::EncryptBuffer(BYTE* buffer, int length) const {
  if (length < 0 || length % kBlockBytes != 0) return 0;
  if (length > 0 && buffer == nullptr) return 0;
  for (int offset = 0; offset < length; offset += kBlockBytes) {
    DWORD l = LoadLittleEndian(buffer + offset);
    DWORD r = LoadLittleEndian(buffer + offset + 4);
    EncryptBlock(l, r);
    StoreLittleEndian(l, buffer + offset);
    StoreLittleEndian(r, buffer + offset + 4);
  }
  return 1;
}
