#include "stack/ras/Md5.h"

#include <cmath>
#include <cstring>

namespace ras {

namespace {

uint32_t Rotl(uint32_t x, unsigned n) { return (x << n) | (x >> (32 - n)); }

// Sine-derived constants and per-round shifts of RFC 1321.
struct Tables {
  uint32_t k[64];
  Tables() {
    for (int i = 0; i < 64; ++i) {
      k[i] = static_cast<uint32_t>(std::floor(std::fabs(std::sin(i + 1.0)) * 4294967296.0));
    }
  }
};

const unsigned kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

void Block(uint32_t state[4], const uint8_t* p, const Tables& t) {
  uint32_t m[16];
  for (int i = 0; i < 16; ++i) {
    m[i] = uint32_t{p[4 * i]} | (uint32_t{p[4 * i + 1]} << 8) | (uint32_t{p[4 * i + 2]} << 16) |
           (uint32_t{p[4 * i + 3]} << 24);
  }
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (int i = 0; i < 64; ++i) {
    int round = i / 16;
    uint32_t f;
    int g;
    switch (round) {
      case 0:
        f = (b & c) | (~b & d);
        g = i;
        break;
      case 1:
        f = (d & b) | (~d & c);
        g = (5 * i + 1) % 16;
        break;
      case 2:
        f = b ^ c ^ d;
        g = (3 * i + 5) % 16;
        break;
      default:
        f = c ^ (b | ~d);
        g = (7 * i) % 16;
        break;
    }
    uint32_t next = b + Rotl(a + f + t.k[i] + m[g], kShift[round][i % 4]);
    a = d;
    d = c;
    c = b;
    b = next;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

}  // namespace

std::array<uint8_t, 16> Md5(const uint8_t* data, size_t size) {
  static const Tables tables;
  uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  size_t full = size / 64;
  for (size_t i = 0; i < full; ++i) Block(state, data + 64 * i, tables);
  // Padding: 0x80, zeros to 56 mod 64, then the bit length little-endian.
  uint8_t tail[128] = {};
  size_t rest = size - full * 64;
  if (rest) std::memcpy(tail, data + full * 64, rest);
  tail[rest] = 0x80;
  size_t tailSize = rest < 56 ? 64 : 128;
  uint64_t bits = static_cast<uint64_t>(size) * 8;
  for (int i = 0; i < 8; ++i) tail[tailSize - 8 + i] = static_cast<uint8_t>(bits >> (8 * i));
  for (size_t off = 0; off < tailSize; off += 64) Block(state, tail + off, tables);
  std::array<uint8_t, 16> out;
  for (int i = 0; i < 16; ++i) out[i] = static_cast<uint8_t>(state[i / 4] >> (8 * (i % 4)));
  return out;
}

}  // namespace ras
