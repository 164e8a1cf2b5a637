#include "stack/asn/ValueStore.h"

#ifndef VARLO_ASN_HEAP_ONLY

namespace asn::value_store::detail {

__thread Lists t_lists;

namespace {

// Gives every kept block back when the thread ends.
struct Drain {
  bool armed = false;
  ~Drain() {
    Lists& lists = t_lists;
    lists.closed = true;
    lists.armed = false;
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

void* AllocateFresh(std::size_t size) { return ::operator new(size == 0 ? 1 : size); }

void Keep(void* block, std::size_t cls, std::size_t blockSize) noexcept {
  if (!block) return;
  Lists& lists = t_lists;
  if (cls == 0 || lists.closed || lists.keptBytes + blockSize > kMaxKeptBytes) {
    ::operator delete(block);
    return;
  }
  // The first block kept makes the thread's drain, so that it runs when the thread ends.
  t_drain.armed = true;
  lists.armed = true;
  auto* free = static_cast<FreeBlock*>(block);
  free->next = lists.head[cls - 1];
  lists.head[cls - 1] = free;
  lists.keptBytes += blockSize;
}

}  // namespace asn::value_store::detail

#endif
