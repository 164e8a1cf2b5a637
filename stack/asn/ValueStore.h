#pragma once
// Storage of the values that messages hold by pointer (a CHOICE's alternative, the elements
// of a SEQUENCE OF). A decoded message makes dozens of small blocks and drops them all
// soon after; each thread keeps the blocks it has freed, by size, and hands them out
// again, so that the general heap is seldom asked. The store holds a bounded number of
// bytes per thread and gives the rest back to the heap. A block freed by another thread
// than the one that made it is simply kept by the freeing thread.
//
// Builds with a memory checker (AddressSanitizer, ThreadSanitizer) use the heap directly,
// so that a use after free of a value is still caught.

#include <cstddef>
#include <new>

namespace asn::value_store {

void* Allocate(std::size_t size);
void Release(void* block, std::size_t size) noexcept;

// The same store for a container's buffer.
template <class T>
struct Allocator {
  using value_type = T;
  Allocator() = default;
  template <class U>
  Allocator(const Allocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    if (n > std::size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(Allocate(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept { Release(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const Allocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace asn::value_store
