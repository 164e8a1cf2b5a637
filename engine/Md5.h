#pragma once
// MD5HexString: the 32 lower-case hexadecimal digits of the MD5 digest (RFC 1321) of a
// string's bytes.  Each call returns its own string, so callers on different threads do
// not share a buffer.

#include <cstddef>

#include "platform/core/CString.h"

CString MD5HexString(const CString& text);
CString MD5HexString(const void* data, std::size_t length);
