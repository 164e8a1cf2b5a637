#pragma once
// INTEGER: constrained (lb..ub), semi-constrained (lb..MAX) or unconstrained, each
// optionally extensible. Values are held as 64-bit signed numbers.

#include <bit>
#include <cstdint>

#include "stack/asn/Object.h"
#include "stack/asn/PerDecoder.h"

namespace asn {

class Integer : public Object {
 public:
  Integer() = default;
  Integer(const Integer&) = default;
  // Copies the value only: the constraints stay those of this place.
  Integer& operator=(const Integer& other) {
    value_ = other.value_;
    return *this;
  }
  Integer& operator=(int64_t v) {
    value_ = v;
    return *this;
  }

  int64_t GetValue() const { return value_; }
  void SetValue(int64_t v) { value_ = v; }
  operator int64_t() const { return value_; }

  void SetRange(int64_t lb, int64_t ub, bool extensible = false) {
    lb_ = lb;
    ub_ = ub;
    hasLb_ = hasUb_ = true;
    extensible_ = extensible;
    if (value_ < lb || value_ > ub) value_ = lb;
    uint64_t range = static_cast<uint64_t>(ub) - static_cast<uint64_t>(lb) + 1;
    fieldBits_ = !extensible && range - 2 < 254 ? static_cast<uint8_t>(std::bit_width(range - 1)) : 0;
  }
  void SetLowerBound(int64_t lb, bool extensible = false) {
    lb_ = lb;
    hasLb_ = true;
    hasUb_ = false;
    extensible_ = extensible;
    if (value_ < lb) value_ = lb;
    fieldBits_ = 0;
  }
  void SetUnconstrained() {
    hasLb_ = hasUb_ = extensible_ = false;
    fieldBits_ = 0;
  }

  void EncodePer(PerEncoder& enc) const override;
  [[nodiscard]] bool DecodePer(PerDecoder& dec) override {
    // The common case read inline: a range of up to 255 values, a plain bit field.
    if (fieldBits_ != 0) {
      uint64_t offset = 0;
      if (!dec.GetBits(fieldBits_, offset)) return false;
      if (offset > static_cast<uint64_t>(ub_) - static_cast<uint64_t>(lb_)) return OutOfRange(dec);
      value_ = static_cast<int64_t>(static_cast<uint64_t>(lb_) + offset);
      return true;
    }
    return DecodeOther(dec);
  }
  std::unique_ptr<Object> Clone() const override;
  void WriteJson(JsonWriter& out) const override;

 private:
  [[nodiscard]] bool DecodeOther(PerDecoder& dec);
  [[gnu::cold]] static bool OutOfRange(PerDecoder& dec);

  int64_t value_ = 0;
  int64_t lb_ = 0;
  int64_t ub_ = 0;
  bool hasLb_ = false;
  bool hasUb_ = false;
  bool extensible_ = false;
  uint8_t fieldBits_ = 0;  // the width of the bit field of a range of 2..255 values, else 0
};

}  // namespace asn
