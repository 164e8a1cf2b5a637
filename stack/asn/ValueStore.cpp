#include "stack/asn/ValueStore.h"

#include <cstdint>
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

void* Allocate(std::size_t size) { return ::operator new(size); }
void Release(void* block, std::size_t) noexcept { ::operator delete(block); }

#else

namespace {

// Blocks by 16 octets up to 1 KiB, then by 1 KiB up to 16 KiB (a whole message's body).
constexpr std::size_t kSmallGrain = 16;
constexpr std::size_t kSmallLimit = 1024;
constexpr std::size_t kLargeGrain = 1024;
constexpr std::size_t kLargeLimit = 16384;
constexpr std::size_t kClassCount = kSmallLimit / kSmallGrain + kLargeLimit / kLargeGrain;
constexpr std::size_t kMaxKeptBytes = std::size_t{512} << 10;

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

struct FreeBlock {
  FreeBlock* next;
};

// Plain data, never destroyed: a value freed while the thread ends (after Drain has run)
// still finds it, and goes to the heap.
struct Lists {
  FreeBlock* head[kClassCount];
  std::size_t keptBytes;
  bool armed;   // the thread's Drain exists
  bool closed;  // the thread's Drain has run
};

thread_local Lists t_lists;

// Gives every kept block back when the thread ends.
struct Drain {
  bool armed = false;
  ~Drain() {
    Lists& lists = t_lists;
    lists.closed = true;
    for (FreeBlock*& head : lists.head) {
      while (head) {
        FreeBlock* next = head->next;
        ::operator delete(head);
        head = next;
      }
    }
    lists.keptBytes = 0;
  }
};

thread_local Drain t_drain;

}  // namespace

void* Allocate(std::size_t size) {
  std::size_t blockSize = 0;
  std::size_t cls = ClassOf(size, blockSize);
  if (cls == 0) return ::operator new(size);
  Lists& lists = t_lists;
  if (FreeBlock* block = lists.head[cls - 1]) {
    lists.head[cls - 1] = block->next;
    lists.keptBytes -= blockSize;
    return block;
  }
  return ::operator new(blockSize);
}

void Release(void* block, std::size_t size) noexcept {
  if (!block) return;
  std::size_t blockSize = 0;
  std::size_t cls = ClassOf(size, blockSize);
  Lists& lists = t_lists;
  if (cls == 0 || lists.closed || lists.keptBytes + blockSize > kMaxKeptBytes) {
    ::operator delete(block);
    return;
  }
  if (!lists.armed) {
    // The thread's drain is made with the first block kept, so that it runs when the
    // thread ends.
    t_drain.armed = true;
    lists.armed = true;
  }
  auto* free = static_cast<FreeBlock*>(block);
  free->next = lists.head[cls - 1];
  lists.head[cls - 1] = free;
  lists.keptBytes += blockSize;
}

#endif

}  // namespace asn::value_store
