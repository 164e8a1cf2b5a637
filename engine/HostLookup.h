#pragma once
// Host-name look-up to one IPv4 address.

#include "platform/core/CString.h"

// The first IPv4 address of `host`, as "%d.%d.%d.%d" of its bytes in network order.  Returns
// FALSE and leaves `dotted` alone when the name does not resolve.  Blocks while the
// resolver works.
BOOL LookupIPv4(const char* host, CString& dotted);
