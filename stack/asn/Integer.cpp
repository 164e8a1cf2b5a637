#include "stack/asn/Integer.h"

#include <string>

#include "stack/asn/JsonWriter.h"
#include "stack/asn/PerDecoder.h"
#include "stack/asn/PerEncoder.h"

namespace asn {

void Integer::EncodePer(PerEncoder& enc) const {
  bool inRoot = (!hasLb_ || value_ >= lb_) && (!hasUb_ || value_ <= ub_);
  if (extensible_) {
    enc.PutBit(!inRoot);
    if (!inRoot) {
      enc.PutUnconstrainedWholeNumber(value_);
      return;
    }
  } else if (!inRoot) {
    enc.Fail("integer " + std::to_string(value_) + " outside its range");
    return;
  }
  if (hasLb_ && hasUb_) {
    uint64_t range = static_cast<uint64_t>(ub_) - static_cast<uint64_t>(lb_) + 1;
    enc.PutConstrainedWholeNumber(static_cast<uint64_t>(value_) - static_cast<uint64_t>(lb_), range);
  } else if (hasLb_) {
    enc.PutSemiConstrainedWholeNumber(static_cast<uint64_t>(value_) - static_cast<uint64_t>(lb_));
  } else {
    enc.PutUnconstrainedWholeNumber(value_);
  }
}

bool Integer::OutOfRange(PerDecoder& dec) { return dec.Fail("constrained number out of range"); }

bool Integer::DecodeOther(PerDecoder& dec) {
  if (extensible_) {
    bool outside = false;
    if (!dec.GetBit(outside)) return false;
    if (outside) return dec.GetUnconstrainedWholeNumber(value_);
  }
  if (hasLb_ && hasUb_) {
    uint64_t range = static_cast<uint64_t>(ub_) - static_cast<uint64_t>(lb_) + 1;
    uint64_t offset = 0;
    if (!dec.GetConstrainedWholeNumber(range, offset)) return false;
    value_ = static_cast<int64_t>(static_cast<uint64_t>(lb_) + offset);
    return true;
  }
  if (hasLb_) {
    uint64_t offset = 0;
    if (!dec.GetSemiConstrainedWholeNumber(offset)) return false;
    // Unsigned arithmetic gives the largest offset that still fits for any lb.
    if (offset > static_cast<uint64_t>(INT64_MAX) - static_cast<uint64_t>(lb_)) {
      return dec.Fail("integer too large");
    }
    uint64_t v = static_cast<uint64_t>(lb_) + offset;
    value_ = static_cast<int64_t>(v);
    return true;
  }
  return dec.GetUnconstrainedWholeNumber(value_);
}

std::unique_ptr<Object> Integer::Clone() const { return std::make_unique<Integer>(*this); }

void Integer::WriteJson(JsonWriter& out) const { out.Int(value_); }

}  // namespace asn
