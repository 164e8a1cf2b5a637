#pragma once
// Storage of the values that messages hold by pointer (a CHOICE's alternative, the elements
// of a SEQUENCE OF and their list). A decoded message makes dozens of small blocks and
// drops them all soon after; each thread keeps the blocks it has freed, by size, and hands
// them out again, so that the general heap is seldom asked. The store holds a bounded
// number of bytes per thread and gives the rest back to the heap. A block freed by another
// thread than the one that made it is simply kept by the freeing thread.
//
// Builds with a memory checker (AddressSanitizer, ThreadSanitizer) use the heap directly,
// so that a use after free of a value is still caught.

#include <cstddef>
#include <new>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VARLO_ASN_HEAP_ONLY 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VARLO_ASN_HEAP_ONLY 1
#endif
#endif

namespace asn::value_store {

#ifdef VARLO_ASN_HEAP_ONLY

inline void* Allocate(std::size_t size) { return ::operator new(size); }
inline void Release(void* block, std::size_t) noexcept { ::operator delete(block); }

#else

namespace detail {

// Blocks by 16 octets up to 1 KiB, then by 1 KiB up to 16 KiB (a whole message's body).
inline constexpr std::size_t kSmallGrain = 16;
inline constexpr std::size_t kSmallLimit = 1024;
inline constexpr std::size_t kLargeGrain = 1024;
inline constexpr std::size_t kLargeLimit = 16384;
inline constexpr std::size_t kClassCount = kSmallLimit / kSmallGrain + kLargeLimit / kLargeGrain;
inline constexpr std::size_t kMaxKeptBytes = std::size_t{512} << 10;

struct FreeBlock {
  FreeBlock* next;
};

// Plain data, never destroyed: a value freed while the thread ends (after its drain has
// run) still finds it, and goes to the heap.
struct Lists {
  FreeBlock* head[kClassCount];
  std::size_t keptBytes;
  bool armed;   // the thread's drain exists
  bool closed;  // the thread's drain has run
};

// Plain thread-local data (no construction, so no check on each use).
extern __thread Lists t_lists;

// The class of a block of `size` octets (0 when the store does not keep such blocks) and
// the size of the blocks of that class.
inline std::size_t ClassOf(std::size_t size, std::size_t& blockSize) {
  if (size == 0 || size > kLargeLimit) return 0;
  if (size <= kSmallLimit) {
    std::size_t grains = (size + kSmallGrain - 1) / kSmallGrain;
    blockSize = grains * kSmallGrain;
    return grains;
  }
  std::size_t grains = (size + kLargeGrain - 1) / kLargeGrain;
  blockSize = grains * kLargeGrain;
  return kSmallLimit / kSmallGrain + grains;
}

void* AllocateFresh(std::size_t size);
void Keep(void* block, std::size_t cls, std::size_t blockSize) noexcept;

}  // namespace detail

__attribute__((always_inline)) inline void* Allocate(std::size_t size) {
  std::size_t blockSize = 0;
  std::size_t cls = detail::ClassOf(size, blockSize);
  detail::Lists& lists = detail::t_lists;
  if (cls != 0) {
    if (detail::FreeBlock* block = lists.head[cls - 1]) {
      lists.head[cls - 1] = block->next;
      lists.keptBytes -= blockSize;
      return block;
    }
    return ::operator new(blockSize);
  }
  return detail::AllocateFresh(size);
}

__attribute__((always_inline)) inline void Release(void* block, std::size_t size) noexcept {
  std::size_t blockSize = 0;
  std::size_t cls = detail::ClassOf(size, blockSize);
  detail::Lists& lists = detail::t_lists;
  if (block && cls != 0 && lists.armed && lists.keptBytes + blockSize <= detail::kMaxKeptBytes) {
    auto* free = static_cast<detail::FreeBlock*>(block);
    free->next = lists.head[cls - 1];
    lists.head[cls - 1] = free;
    lists.keptBytes += blockSize;
    return;
  }
  detail::Keep(block, cls, blockSize);
}

#endif

}  // namespace asn::value_store
