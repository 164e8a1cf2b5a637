#pragma once
// OCTET STRING with an optional size constraint.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "stack/asn/Object.h"
#include "stack/asn/SizeConstraint.h"

namespace asn {

class OctetString : public Object {
 public:
  OctetString() = default;
  OctetString(const OctetString&) = default;
  OctetString& operator=(const OctetString& other) {
    value_ = other.value_;
    return *this;
  }

  const std::vector<uint8_t>& GetValue() const { return value_; }
  void SetValue(std::vector<uint8_t> bytes) { value_ = std::move(bytes); }
  void SetValue(const uint8_t* data, size_t size) { value_.assign(data, data + size); }
  void SetValue(std::string_view bytes) { value_.assign(bytes.begin(), bytes.end()); }
  // The octets taken as characters, one per octet.
  std::string AsString() const { return std::string(value_.begin(), value_.end()); }
  size_t GetSize() const { return value_.size(); }
  void SetSize(size_t n) { value_.resize(n, 0); }
  uint8_t operator[](size_t i) const { return value_.at(i); }
  uint8_t& operator[](size_t i) { return value_.at(i); }

  void SetSizeConstraint(size_t lb, size_t ub, bool extensible = false) {
    size_ = SizeLimits(lb, ub, extensible);
  }

  void EncodePer(PerEncoder& enc) const override;
  [[nodiscard]] bool DecodePer(PerDecoder& dec) override;
  std::unique_ptr<Object> Clone() const override;
  void WriteJson(JsonWriter& out) const override;

 private:
  std::vector<uint8_t> value_;
  SizeLimits size_;
};

}  // namespace asn
