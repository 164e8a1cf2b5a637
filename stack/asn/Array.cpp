#include "stack/asn/Array.h"

#include <algorithm>

#include "stack/asn/JsonWriter.h"
#include "stack/asn/PerDecoder.h"
#include "stack/asn/PerEncoder.h"

namespace asn {

Array::Array(const Array& other) : Object(other), size_(other.size_) {
  elements_.reserve(other.elements_.size());
  for (const auto& e : other.elements_) elements_.push_back(e->Clone());
}

Array& Array::operator=(const Array& other) {
  if (this != &other) {
    ElementList copy;
    copy.reserve(other.elements_.size());
    for (const auto& e : other.elements_) copy.push_back(e->Clone());
    elements_ = std::move(copy);
  }
  return *this;
}

void Array::SetSize(size_t n) {
  if (n < elements_.size()) {
    elements_.truncate(n);
    return;
  }
  elements_.reserve(n);
  while (elements_.size() < n) elements_.push_back(CreateElement());
}

void Array::RemoveAt(size_t i) {
  elements_.erase(i);
}

Object& Array::AppendElement() {
  elements_.push_back(CreateElement());
  return *elements_.back();
}

void Array::EncodePer(PerEncoder& enc) const {
  SizeConstraint c = size_.Begin(enc, elements_.size());
  auto emit = [&](size_t begin, size_t count) {
    for (size_t i = begin; i < begin + count && enc.ok(); ++i) elements_[i]->EncodePer(enc);
  };
  if (c.lb == c.ub && c.ub < 65536) {
    emit(0, elements_.size());
    return;
  }
  enc.PutLengthAndContent(elements_.size(), c.lb, c.ub, emit);
}

bool Array::DecodeBody(PerDecoder& dec) {
  SizeConstraint c;
  if (!size_.Begin(dec, c)) return false;
  elements_.clear();
  auto read = [&](size_t count) {
    // Room for the elements at once, within what the remaining input can hold.
    elements_.reserve(elements_.size() + std::min<size_t>(count, dec.BitsLeft() + 1));
    for (size_t i = 0; i < count; ++i) {
      if (!dec.Charge(1)) return false;
      elements_.push_back(CreateElement());
      if (!elements_.back()->DecodePer(dec)) return false;
    }
    return true;
  };
  if (c.lb == c.ub && c.ub < 65536) return read(c.ub);
  for (;;) {
    size_t n = 0;
    bool more = false;
    if (!dec.GetLength(c.lb, c.ub, n, more) || !read(n)) return false;
    if (!more) break;
  }
  if (!c.InRoot(elements_.size())) return dec.Fail("size outside its constraint");
  return true;
}

bool Array::DecodePer(PerDecoder& dec) {
  if (!dec.Enter()) return false;
  bool ok = DecodeBody(dec);
  dec.Leave();
  return ok;
}

void Array::WriteJson(JsonWriter& out) const {
  out.BeginArray();
  for (const auto& e : elements_) e->WriteJson(out);
  out.EndArray();
}

}  // namespace asn
