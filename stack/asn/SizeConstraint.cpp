#include "stack/asn/SizeConstraint.h"

#include <string>


namespace asn {

SizeConstraint SizeConstraint::Begin(PerEncoder& enc, size_t n) const {
  bool inRoot = InRoot(n);
  if (extensible) {
    enc.PutBit(!inRoot);
    if (!inRoot) return SizeConstraint{0, kUnbounded, false};
  } else if (!inRoot) {
    enc.Fail("size " + std::to_string(n) + " outside " + std::to_string(lb) + ".." +
             (ub == kUnbounded ? std::string("MAX") : std::to_string(ub)));
  }
  return SizeConstraint{lb, ub, false};
}

}  // namespace asn
