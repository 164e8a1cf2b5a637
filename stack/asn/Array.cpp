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

bool Array::DecodePer(PerDecoder& dec) {
  if (!dec.Enter()) return false;
  bool ok = DecodeBody(dec, [this](PerDecoder& d, ElementList& list) {
    list.push_back(CreateElement());
    return list.back()->DecodePer(d);
  });
  dec.Leave();
  return ok;
}

void Array::WriteJson(JsonWriter& out) const {
  out.BeginArray();
  for (const auto& e : elements_) e->WriteJson(out);
  out.EndArray();
}

}  // namespace asn
