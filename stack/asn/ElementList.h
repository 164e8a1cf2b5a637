#pragma once
// The elements of a SEQUENCE OF: owned values in one block from the value store, or, for a
// list of room one (most lists of a decoded message hold one element), in place of the
// block's pointer. Unlike a std::vector its destructor does nothing out of line while the
// list has no room, which most lists of a message have not.

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

  ElementList() : block_(nullptr) {}
  ElementList(const ElementList&) = delete;
  ElementList& operator=(const ElementList&) = delete;
  ElementList(ElementList&& other) noexcept : block_(nullptr) { Take(other); }
  ElementList& operator=(ElementList&& other) noexcept {
    if (this != &other) {
      Free();
      Take(other);
    }
    return *this;
  }
  ~ElementList() {
    if (capacity_ != 0) Free();
  }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  Element& operator[](size_t i) { return data()[i]; }
  const Element& operator[](size_t i) const { return data()[i]; }
  // Element i; throws std::out_of_range past the end.
  const Element& at(size_t i) const {
    if (i >= size_) throw std::out_of_range("element index past the end");
    return data()[i];
  }
  Element& back() { return data()[size_ - 1]; }
  const Element* begin() const { return data(); }
  const Element* end() const { return data() + size_; }

  void reserve(size_t n) {
    if (n > capacity_) Grow(n);
  }
  void push_back(Element e) {
    if (size_ == capacity_) Grow(capacity_ < 4 ? 4 : size_t{capacity_} * 2);
    new (data() + size_) Element(std::move(e));
    ++size_;
  }
  // Drops the elements from `n` on.
  void truncate(size_t n) {
    while (size_ > n) data()[--size_].~Element();
  }
  void clear() { truncate(0); }
  void erase(size_t i) {
    if (i >= size_) return;
    Element* d = data();
    for (size_t k = i; k + 1 < size_; ++k) d[k] = std::move(d[k + 1]);
    d[--size_].~Element();
  }

 private:
  bool InPlace() const { return capacity_ == 1; }
  Element* data() { return InPlace() ? &one_ : block_; }
  const Element* data() const { return InPlace() ? &one_ : block_; }

  void Grow(size_t n) {
    if (n > UINT32_MAX) throw std::bad_array_new_length();
    if (capacity_ == 0 && n == 1) {
      block_ = nullptr;
      capacity_ = 1;
      return;
    }
    auto* fresh = static_cast<Element*>(value_store::Allocate(n * sizeof(Element)));
    Element* old = data();
    for (size_t i = 0; i < size_; ++i) {
      new (fresh + i) Element(std::move(old[i]));
      old[i].~Element();
    }
    DropRoom();
    block_ = fresh;
    capacity_ = static_cast<uint32_t>(n);
  }
  // Gives back the room of a list whose elements are gone.
  void DropRoom() {
    if (!InPlace() && block_) value_store::Release(block_, capacity_ * sizeof(Element));
    block_ = nullptr;
    capacity_ = 0;
  }
  void Free() {
    clear();
    DropRoom();
  }
  // Takes the elements of `other` (this list has no room), leaving it empty.
  void Take(ElementList& other) {
    if (other.InPlace()) {
      if (other.size_ == 1) {
        new (&one_) Element(std::move(other.one_));
        other.one_.~Element();
      }
      other.block_ = nullptr;
    } else {
      block_ = std::exchange(other.block_, nullptr);
    }
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }

  union {
    Element* block_;  // room for capacity_ elements, when that is not one
    Element one_;     // the element of a list of room one, while it has one
  };
  uint32_t size_ = 0;
  uint32_t capacity_ = 0;
};

}  // namespace asn
