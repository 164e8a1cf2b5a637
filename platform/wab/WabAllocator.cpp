#include "platform/wab/WabAllocator.h"

#include <cstddef>
#include <cstdlib>

namespace varlo::wab {
namespace {

// Precedes every buffer; `more` links the buffers that go with the first one.
struct alignas(std::max_align_t) Block {
  Block* more;
};

Block* BlockOf(LPVOID buffer) { return static_cast<Block*>(buffer) - 1; }

LPVOID NewBlock(ULONG size, Block*& block) {
  block = static_cast<Block*>(std::calloc(1, sizeof(Block) + size));
  return block ? block + 1 : nullptr;
}

}  // namespace

HRESULT AllocateBuffer(ULONG size, LPVOID* buffer) {
  if (!buffer) return E_INVALIDARG;
  Block* block = nullptr;
  *buffer = NewBlock(size, block);
  if (!*buffer) return MAPI_E_NOT_ENOUGH_MEMORY;
  block->more = nullptr;
  return S_OK;
}

HRESULT AllocateMore(ULONG size, LPVOID parent, LPVOID* buffer) {
  if (!buffer || !parent) return E_INVALIDARG;
  Block* block = nullptr;
  *buffer = NewBlock(size, block);
  if (!*buffer) return MAPI_E_NOT_ENOUGH_MEMORY;
  Block* first = BlockOf(parent);
  block->more = first->more;
  first->more = block;
  return S_OK;
}

HRESULT FreeBuffer(LPVOID buffer) {
  if (!buffer) return S_OK;
  Block* block = BlockOf(buffer);
  while (block) {
    Block* next = block->more;
    std::free(block);
    block = next;
  }
  return S_OK;
}

}  // namespace varlo::wab
