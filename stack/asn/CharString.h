#pragma once
// The known-multiplier character strings with 8-bit characters: IA5String, NumericString,
// PrintableString and VisibleString, with size and permitted-alphabet constraints. Each
// character takes the aligned-PER width of the effective alphabet and is written as its
// code, or as its index in the sorted alphabet when the codes do not fit that width
// (dialled digits "0123456789#*," take 4 bits each, as indices).

#include <string>
#include <string_view>

#include "stack/asn/Object.h"
#include "stack/asn/SizeConstraint.h"

namespace asn {

class CharString : public Object {
 public:
  enum class Kind { kIA5, kNumeric, kPrintable, kVisible };

  CharString(const CharString&) = default;
  CharString& operator=(const CharString& other) {
    value_ = other.value_;
    return *this;
  }
  CharString& operator=(std::string_view v) {
    value_ = v;
    return *this;
  }

  const std::string& GetValue() const { return value_; }
  void SetValue(std::string_view v) { value_ = v; }
  const std::string& AsString() const { return value_; }
  operator const std::string&() const { return value_; }
  size_t GetSize() const { return value_.size(); }

  void SetSizeConstraint(size_t lb, size_t ub, bool extensible = false) {
    size_ = SizeLimits(lb, ub, extensible);
  }
  // The permitted characters, sorted by code; nullptr for the kind's whole set. The text
  // must outlive the value (generated code passes string literals).
  void SetAlphabet(const char* sortedAlphabet) { alphabet_ = sortedAlphabet; }

  void EncodePer(PerEncoder& enc) const override;
  [[nodiscard]] bool DecodePer(PerDecoder& dec) override;
  void WriteJson(JsonWriter& out) const override;

 protected:
  explicit CharString(Kind kind) : kind_(kind) {}

 private:
  std::string_view Alphabet() const;
  // The whole set of this kind of string.
  const std::string& KindAlphabet() const;

  std::string value_;
  SizeLimits size_;
  const char* alphabet_ = nullptr;
  Kind kind_;
};

class IA5String : public CharString {
 public:
  IA5String() : CharString(Kind::kIA5) {}
  using CharString::operator=;
  std::unique_ptr<Object> Clone() const override { return std::make_unique<IA5String>(*this); }
};

class NumericString : public CharString {
 public:
  NumericString() : CharString(Kind::kNumeric) {}
  using CharString::operator=;
  std::unique_ptr<Object> Clone() const override { return std::make_unique<NumericString>(*this); }
};

class PrintableString : public CharString {
 public:
  PrintableString() : CharString(Kind::kPrintable) {}
  using CharString::operator=;
  std::unique_ptr<Object> Clone() const override {
    return std::make_unique<PrintableString>(*this);
  }
};

class VisibleString : public CharString {
 public:
  VisibleString() : CharString(Kind::kVisible) {}
  using CharString::operator=;
  std::unique_ptr<Object> Clone() const override { return std::make_unique<VisibleString>(*this); }
};

}  // namespace asn
