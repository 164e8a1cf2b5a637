#pragma once
// SEQUENCE OF / SET OF: the base of the generated array classes, with an optional size
// constraint. The generated class creates the elements (with their constraints) and gives
// typed access to them.

#include <memory>
#include <vector>

#include "stack/asn/Object.h"
#include "stack/asn/SizeConstraint.h"
#include "stack/asn/ElementList.h"

namespace asn {

class Array : public Object {
 public:
  size_t GetSize() const { return elements_.size(); }
  // Grows with fresh elements or drops the ones past `n`.
  void SetSize(size_t n);
  void RemoveAt(size_t i);
  void RemoveAll() { elements_.clear(); }

  void SetSizeConstraint(size_t lb, size_t ub, bool extensible = false) {
    size_ = SizeConstraint{lb, ub, extensible};
  }

  void EncodePer(PerEncoder& enc) const override;
  [[nodiscard]] bool DecodePer(PerDecoder& dec) override;
  void WriteJson(JsonWriter& out) const override;

 protected:
  Array() = default;
  Array(const Array& other);
  // Copies the elements only: the size constraint stays that of this place.
  Array& operator=(const Array& other);
  Array(Array&&) noexcept = default;
  Array& operator=(Array&& other) noexcept {
    elements_ = std::move(other.elements_);
    return *this;
  }

  virtual std::unique_ptr<Object> CreateElement() const = 0;
  // Element i; throws std::out_of_range past the end.
  Object& ElementAt(size_t i) { return *elements_.at(i); }
  const Object& ElementAt(size_t i) const { return *elements_.at(i); }
  Object& AppendElement();

 private:
  [[nodiscard]] bool DecodeBody(PerDecoder& dec);

  ElementList elements_;
  SizeConstraint size_;
};

}  // namespace asn
