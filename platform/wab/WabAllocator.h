// The address book's allocator: a buffer carries the buffers allocated "more" on it and
// frees them with itself.  Memory is zero-filled.
#pragma once
#include "platform/wab/Wab.h"

namespace varlo::wab {
HRESULT AllocateBuffer(ULONG size, LPVOID* buffer);
HRESULT AllocateMore(ULONG size, LPVOID parent, LPVOID* buffer);
HRESULT FreeBuffer(LPVOID buffer);
}  // namespace varlo::wab
