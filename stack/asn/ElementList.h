#pragma once
// The elements of a SEQUENCE OF: owned values in one block from the value store. Unlike a
// std::vector its destructor does nothing out of line while the list is empty, which most
// lists of a message are.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>

#include "stack/asn/Object.h"
#include "stack/asn/ValueStore.h"

namespace asn {

class ElementList {
 public:
  using Element = std::unique_ptr<Object>;

  ElementList() = default;
  ElementList(const ElementList&) = delete;
  ElementList& operator=(const ElementList&) = delete;
  ElementList(ElementList&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)),
        size_(std::exchange(other.size_, 0)),
        capacity_(std::exchange(other.capacity_, 0)) {}
  ElementList& operator=(ElementList&& other) noexcept {
    if (this != &other) {
      Free();
      data_ = std::exchange(other.data_, nullptr);
      size_ = std::exchange(other.size_, 0);
      capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
  }
  ~ElementList() {
    if (data_) Free();
  }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  Element& operator[](size_t i) { return data_[i]; }
  const Element& operator[](size_t i) const { return data_[i]; }
  // Element i; throws std::out_of_range past the end.
  const Element& at(size_t i) const {
    if (i >= size_) throw std::out_of_range("element index past the end");
    return data_[i];
  }
  Element& back() { return data_[size_ - 1]; }
  const Element* begin() const { return data_; }
  const Element* end() const { return data_ + size_; }

  void reserve(size_t n) {
    if (n > capacity_) Grow(n);
  }
  void push_back(Element e) {
    if (size_ == capacity_) Grow(capacity_ < 4 ? 4 : size_t{capacity_} * 2);
    new (data_ + size_) Element(std::move(e));
    ++size_;
  }
  // Drops the elements from `n` on.
  void truncate(size_t n) {
    while (size_ > n) data_[--size_].~Element();
  }
  void clear() { truncate(0); }
  void erase(size_t i) {
    if (i >= size_) return;
    for (size_t k = i; k + 1 < size_; ++k) data_[k] = std::move(data_[k + 1]);
    data_[--size_].~Element();
  }

 private:
  void Grow(size_t n) {
    if (n > UINT32_MAX) throw std::bad_array_new_length();
    auto* fresh = static_cast<Element*>(value_store::Allocate(n * sizeof(Element)));
    for (size_t i = 0; i < size_; ++i) {
      new (fresh + i) Element(std::move(data_[i]));
      data_[i].~Element();
    }
    if (data_) value_store::Release(data_, capacity_ * sizeof(Element));
    data_ = fresh;
    capacity_ = static_cast<uint32_t>(n);
  }
  void Free() {
    clear();
    if (data_) value_store::Release(data_, capacity_ * sizeof(Element));
    data_ = nullptr;
    capacity_ = 0;
  }

  Element* data_ = nullptr;
  uint32_t size_ = 0;
  uint32_t capacity_ = 0;
};

}  // namespace asn
