#pragma once
// SEQUENCE OF / SET OF: the base of the generated array classes, with an optional size
// constraint. The generated class creates the elements (with their constraints) and gives
// typed access to them.

#include <algorithm>
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
    size_ = SizeLimits(lb, ub, extensible);
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

  // The decoder a generated class writes out for its own element type T: `make()` gives a
  // fresh element (with its constraints), which is read with T's own decoder.
  template <class T, class Make>
  [[nodiscard]] bool DecodeElements(PerDecoder& dec, Make make) {
    if (!dec.Enter()) return false;
    bool ok = DecodeBody(dec, [&make](PerDecoder& d, ElementList& list) {
      auto element = make();
      T& e = *element;
      list.push_back(std::move(element));
      return e.T::DecodePer(d);
    });
    dec.Leave();
    return ok;
  }

 private:
  // `read(dec, elements_)` appends one element and reads it.
  template <class Read>
  [[nodiscard]] bool DecodeBody(PerDecoder& dec, Read read) {
    SizeConstraint c;
    if (!size_.Begin(dec, c)) return false;
    elements_.clear();
    auto readCount = [&](size_t count) {
      // Room for the elements at once, within what the remaining input can hold.
      elements_.reserve(elements_.size() + std::min<size_t>(count, dec.BitsLeft() + 1));
      for (size_t i = 0; i < count; ++i) {
        if (!dec.Charge(1) || !read(dec, elements_)) return false;
      }
      return true;
    };
    if (c.lb == c.ub && c.ub < 65536) return readCount(c.ub);
    return GetLengthAndContent(dec, c, readCount, [this] { return elements_.size(); });
  }

  ElementList elements_;
  SizeLimits size_;
};

}  // namespace asn
