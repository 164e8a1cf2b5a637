#pragma once
// BMPString: 16-bit characters, read and written as UTF-8 text.

#include <string>
#include <string_view>

#include "stack/asn/Object.h"
#include "stack/asn/SizeConstraint.h"

namespace asn {

class BMPString : public Object {
 public:
  BMPString() = default;
  BMPString(const BMPString&) = default;
  BMPString& operator=(const BMPString& other) {
    value_ = other.value_;
    return *this;
  }
  BMPString& operator=(std::string_view utf8) {
    SetValue(utf8);
    return *this;
  }

  // UTF-8 text; characters outside the BMP become U+FFFD.
  void SetValue(std::string_view utf8);
  std::string GetValue() const;
  std::string AsString() const { return GetValue(); }
  const std::u16string& GetUcs2() const { return value_; }
  void SetUcs2(std::u16string v) { value_ = std::move(v); }
  size_t GetSize() const { return value_.size(); }

  void SetSizeConstraint(size_t lb, size_t ub, bool extensible = false) {
    size_ = SizeLimits(lb, ub, extensible);
  }

  void EncodePer(PerEncoder& enc) const override;
  [[nodiscard]] bool DecodePer(PerDecoder& dec) override;
  std::unique_ptr<Object> Clone() const override;
  void WriteJson(JsonWriter& out) const override;

 private:
  std::u16string value_;
  SizeLimits size_;
};

}  // namespace asn
