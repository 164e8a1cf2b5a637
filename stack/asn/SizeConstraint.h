#pragma once
// An effective PER size constraint: lb..ub, optionally extensible; and the extension bit
// that precedes a length under an extensible constraint.

#include <cstddef>

#include "stack/asn/PerDecoder.h"
#include "stack/asn/PerEncoder.h"

namespace asn {

struct SizeConstraint {
  size_t lb = 0;
  size_t ub = kUnbounded;
  bool extensible = false;

  bool InRoot(size_t n) const { return n >= lb && n <= ub; }

  // Writes the extension bit for a size of `n` and gives the bounds that the length (and
  // the fixed-size cases) are then encoded with: the root's, or none outside the root.
  // A size outside a root that is not extensible fails the encoder.
  SizeConstraint Begin(PerEncoder& enc, size_t n) const;
  // The decoder's side of Begin.
  [[nodiscard]] bool Begin(PerDecoder& dec, SizeConstraint& effective) const;
};

}  // namespace asn
