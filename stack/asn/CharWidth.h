#pragma once
// The aligned-PER width of a character (X.691 clause 27): the bits for the alphabet's size,
// rounded up to a power of two; characters are written as indices into the sorted
// alphabet when its largest code does not fit that width.

#include <cstdint>

#include "stack/asn/PerBits.h"
#include "stack/asn/SizeConstraint.h"

namespace asn {

struct CharWidth {
  CharWidth(uint32_t alphabetSize, uint32_t largestCode) {
    unsigned b = alphabetSize <= 1 ? 0 : BitsFor(alphabetSize - 1);
    bits = 1;
    while (bits < b) bits *= 2;
    if (b == 0) bits = 0;
    indexed = bits < 32 && largestCode > (uint32_t{1} << bits) - 1;
  }

  // The characters are octet-aligned unless the longest string fits in 16 bits, as octet
  // and bit strings of up to 16 bits are (erlang's codec aligns a string of exactly 16
  // bits; none of the H.323 modules has one).
  bool AlignContent(const SizeConstraint& c) const {
    return c.ub == kUnbounded || c.ub * bits > 16;
  }

  unsigned bits;
  bool indexed;
};

}  // namespace asn
