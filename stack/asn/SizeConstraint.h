#pragma once
// An effective PER size constraint: lb..ub, optionally extensible; and the extension bit
// that precedes a length under an extensible constraint. SizeLimits is the same constraint
// as a place (a string, a SEQUENCE OF) keeps it, in eight octets.

#include <cstddef>
#include <cstdint>

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
  [[nodiscard]] bool Begin(PerDecoder& dec, SizeConstraint& effective) const {
    effective = SizeConstraint{lb, ub, false};
    if (!extensible) return dec.ok();
    bool outside = false;
    if (!dec.GetBit(outside)) return false;
    if (outside) effective = SizeConstraint{0, kUnbounded, false};
    return true;
  }
};

// The decoder's side of PerEncoder::PutLengthAndContent for a size that is not fixed:
// each length determinant, then `read(count)` for the units it gives; `size()` is the
// number of units read in all, which must lie in the root of `c`.
template <class Read, class Size>
[[nodiscard]] bool GetLengthAndContent(PerDecoder& dec, const SizeConstraint& c, Read read,
                                       Size size) {
  for (;;) {
    size_t n = 0;
    bool more = false;
    if (!dec.GetLength(c.lb, c.ub, n, more) || !read(n)) return false;
    if (!more) break;
  }
  if (!c.InRoot(size())) return dec.Fail("size outside its constraint");
  return true;
}

class SizeLimits {
 public:
  SizeLimits() = default;
  // An upper bound of 2^31 - 1 or more is kept as none: no value can come near it, and
  // any bound of 64K or more is encoded alike.
  SizeLimits(size_t lb, size_t ub, bool extensible)
      : lb_(lb < UINT32_MAX ? static_cast<uint32_t>(lb) : UINT32_MAX),
        ub_(ub < kNoUpperBound ? static_cast<uint32_t>(ub) : kNoUpperBound),
        extensible_(extensible) {}

  SizeConstraint Get() const {
    return SizeConstraint{lb_, ub_ == kNoUpperBound ? kUnbounded : ub_, extensible_ != 0};
  }
  bool InRoot(size_t n) const { return Get().InRoot(n); }
  SizeConstraint Begin(PerEncoder& enc, size_t n) const { return Get().Begin(enc, n); }
  [[nodiscard]] bool Begin(PerDecoder& dec, SizeConstraint& effective) const {
    return Get().Begin(dec, effective);
  }

 private:
  static constexpr uint32_t kNoUpperBound = 0x7FFFFFFF;

  uint32_t lb_ = 0;
  uint32_t ub_ : 31 = kNoUpperBound;
  uint32_t extensible_ : 1 = 0;
};

}  // namespace asn
