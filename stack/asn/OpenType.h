#pragma once
// An open type: a value of a type that the context decides (a ROS operation's argument,
// a type-identifier field), carried as its complete encoding behind a length. The bytes
// are kept as they are; EncodeFrom and DecodeAs convert them from and to a typed value.

#include <cstdint>
#include <vector>

#include "stack/asn/Object.h"

namespace asn {

class OpenType : public Object {
 public:
  OpenType() = default;
  OpenType(const OpenType&) = default;
  OpenType& operator=(const OpenType&) = default;

  const std::vector<uint8_t>& GetValue() const { return data_; }
  void SetValue(std::vector<uint8_t> encoding) { data_ = std::move(encoding); }
  bool IsEmpty() const { return data_.empty(); }

  // Stores the complete encoding of `value`; false when it cannot be encoded.
  [[nodiscard]] bool EncodeFrom(const Object& value, std::string* error = nullptr);
  // Decodes the stored encoding into `value`.
  [[nodiscard]] bool DecodeAs(Object& value, std::string* error = nullptr) const;

  void EncodePer(PerEncoder& enc) const override;
  [[nodiscard]] bool DecodePer(PerDecoder& dec) override;
  std::unique_ptr<Object> Clone() const override;
  void WriteJson(JsonWriter& out) const override;

 private:
  std::vector<uint8_t> data_;
};

}  // namespace asn
