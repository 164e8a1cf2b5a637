#include "engine/CBlowFish.h"

#include <cstring>
#include <utility>

#include "engine/BlowfishTables.h"

namespace {

constexpr int kRounds = 16;

}  // namespace

CBlowFish::CBlowFish() {
  std::memcpy(m_P, kBlowfishInitP, sizeof m_P);
  std::memcpy(m_S, kBlowfishInitS, sizeof m_S);
}

CBlowFish::~CBlowFish() = default;

DWORD CBlowFish::F(DWORD x) const {
  const DWORD a = x & 0xFF;
  const DWORD b = (x >> 8) & 0xFF;
  const DWORD c = (x >> 16) & 0xFF;
  const DWORD d = x >> 24;
  return ((m_S[0][a] + m_S[1][b]) ^ m_S[2][c]) + m_S[3][d];
}

void CBlowFish::Encrypt(DWORD& left, DWORD& right) const {
  DWORD l = left;
  DWORD r = right;
  for (int i = 0; i < kRounds; ++i) {
    l ^= m_P[i];
    r ^= F(l);
    std::swap(l, r);
  }
  std::swap(l, r);
  r ^= m_P[16];
  l ^= m_P[17];
  left = l;
  right = r;
}

ULONGLONG CBlowFish::EncryptBlock(ULONGLONG block) const {
  DWORD l = static_cast<DWORD>(block);
  DWORD r = static_cast<DWORD>(block >> 32);
  Encrypt(l, r);
  return (static_cast<ULONGLONG>(r) << 32) | l;
}

ULONGLONG CBlowFish::DecryptBlock(ULONGLONG block) const {
  DWORD l = static_cast<DWORD>(block);
  DWORD r = static_cast<DWORD>(block >> 32);
  for (int i = 17; i > 1; --i) {
    l ^= m_P[i];
    r ^= F(l);
    std::swap(l, r);
  }
  std::swap(l, r);
  r ^= m_P[1];
  l ^= m_P[0];
  return (static_cast<ULONGLONG>(r) << 32) | l;
}

void CBlowFish::SetKey(const void* key, int length) {
  std::memcpy(m_P, kBlowfishInitP, sizeof m_P);
  std::memcpy(m_S, kBlowfishInitS, sizeof m_S);
  const auto* bytes = static_cast<const signed char*>(key);
  int j = 0;
  for (DWORD& p : m_P) {
    DWORD w = 0;
    if (bytes != nullptr && length > 0) {
      for (int n = 0; n < 4; ++n) {
        const auto k = static_cast<DWORD>(static_cast<LONG>(bytes[j]));  // sign-extended
        w = (w | k) << 8;
        if (++j == length) j = 0;
      }
    }
    p ^= w;
  }
  DWORD l = 0;
  DWORD r = 0;
  for (int i = 0; i < 18; i += 2) {
    Encrypt(l, r);
    m_P[i] = l;
    m_P[i + 1] = r;
  }
  for (auto& box : m_S) {
    for (int k = 0; k < 256; k += 2) {
      Encrypt(l, r);
      box[k] = l;
      box[k + 1] = r;
    }
  }
}
