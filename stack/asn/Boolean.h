#pragma once
// BOOLEAN: one bit.

#include "stack/asn/Object.h"
#include "stack/asn/PerDecoder.h"

namespace asn {

class Boolean : public Object {
 public:
  Boolean() = default;
  explicit Boolean(bool v) : value_(v) {}
  Boolean& operator=(bool v) {
    value_ = v;
    return *this;
  }
  bool GetValue() const { return value_; }
  void SetValue(bool v) { value_ = v; }
  operator bool() const { return value_; }

  void EncodePer(PerEncoder& enc) const override;
  [[nodiscard]] bool DecodePer(PerDecoder& dec) override { return dec.GetBit(value_); }
  std::unique_ptr<Object> Clone() const override;
  void WriteJson(JsonWriter& out) const override;

 private:
  bool value_ = false;
};

}  // namespace asn
