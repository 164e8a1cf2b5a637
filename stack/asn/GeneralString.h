#pragma once
// GeneralString and the other character strings without a fixed character width: PER
// carries their octets behind a length, and size constraints do not apply.

#include <string>
#include <string_view>

#include "stack/asn/Object.h"

namespace asn {

class GeneralString : public Object {
 public:
  GeneralString() = default;
  GeneralString(const GeneralString&) = default;
  GeneralString& operator=(const GeneralString&) = default;
  GeneralString& operator=(std::string_view v) {
    value_ = v;
    return *this;
  }

  const std::string& GetValue() const { return value_; }
  void SetValue(std::string_view v) { value_ = v; }
  const std::string& AsString() const { return value_; }
  operator const std::string&() const { return value_; }
  size_t GetSize() const { return value_.size(); }

  void EncodePer(PerEncoder& enc) const override;
  [[nodiscard]] bool DecodePer(PerDecoder& dec) override;
  std::unique_ptr<Object> Clone() const override;
  void WriteJson(JsonWriter& out) const override;

 private:
  std::string value_;
};

}  // namespace asn
