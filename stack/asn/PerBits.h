#pragma once
// Small arithmetic helpers shared by the PER encoder and decoder.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace asn {

// An upper bound that stands for "no upper bound" in size constraints.
inline constexpr size_t kUnbounded = static_cast<size_t>(-1);

// Units in one fragment of a fragmented length determinant (X.691 10.9.3.8).
inline constexpr size_t kFragmentUnits = 16384;

// Bits needed to write `v` as an unsigned binary number (0 for 0).
inline unsigned BitsFor(uint64_t v) { return static_cast<unsigned>(std::bit_width(v)); }

// Octets needed for `v` as a non-negative binary integer; at least one.
inline unsigned OctetsFor(uint64_t v) {
  unsigned bits = BitsFor(v);
  return bits == 0 ? 1 : (bits + 7) / 8;
}

// Octets of the shortest two's-complement form of `v`.
inline unsigned SignedOctetsFor(int64_t v) {
  unsigned n = 1;
  while (n < 8) {
    int64_t lo = -(int64_t{1} << (8 * n - 1));
    int64_t hi = (int64_t{1} << (8 * n - 1)) - 1;
    if (v >= lo && v <= hi) break;
    ++n;
  }
  return n;
}

}  // namespace asn
