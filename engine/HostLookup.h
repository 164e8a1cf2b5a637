#pragma once
// Host-name look-ups to IPv4 addresses.

#include <cstddef>
#include <vector>

#include "platform/core/CString.h"

// The IPv4 addresses of `host` in the resolver's order, each once, at most `limit` of them,
// as "%d.%d.%d.%d" of their bytes in network order; empty when the name does not resolve.
// Blocks while the resolver works.
std::vector<CString> LookupIPv4All(const char* host, std::size_t limit);

// The first IPv4 address of `host`.  Returns FALSE and leaves `dotted` alone when the name
// does not resolve.
BOOL LookupIPv4(const char* host, CString& dotted);
