#pragma once
// BIT STRING with an optional size constraint. Bit 0 is the first (most significant) bit.

#include <cstdint>
#include <vector>

#include "stack/asn/Object.h"
#include "stack/asn/SizeConstraint.h"

namespace asn {

class BitString : public Object {
 public:
  BitString() = default;
  BitString(const BitString&) = default;
  BitString& operator=(const BitString& other) {
    bytes_ = other.bytes_;
    bits_ = other.bits_;
    return *this;
  }

  size_t GetSize() const { return bits_; }
  void SetSize(size_t bits);
  bool GetBit(size_t i) const;
  void SetBit(size_t i, bool v);  // grows the string when i is past its end
  // The bits packed into octets, first bit in the most significant position.
  const std::vector<uint8_t>& GetData() const { return bytes_; }
  void SetData(const std::vector<uint8_t>& bytes, size_t bits);

  void SetSizeConstraint(size_t lb, size_t ub, bool extensible = false) {
    size_ = SizeLimits(lb, ub, extensible);
  }

  void EncodePer(PerEncoder& enc) const override;
  [[nodiscard]] bool DecodePer(PerDecoder& dec) override;
  std::unique_ptr<Object> Clone() const override;
  void WriteJson(JsonWriter& out) const override;

 private:
  [[nodiscard]] bool ReadBits(PerDecoder& dec, size_t count);
  void WriteBits(PerEncoder& enc, size_t begin, size_t count) const;

  std::vector<uint8_t> bytes_;
  size_t bits_ = 0;
  SizeLimits size_;
};

}  // namespace asn
