#pragma once
// Standard base64 (RFC 4648 alphabet, "=" padding) with a CR LF after every 1024
// characters written from full 3-byte groups; a shorter last line has no CR LF.

#include "platform/core/WinTypes.h"

// Writes the text to `output` without a terminating NUL and returns the characters written
// (CR and LF included).  A null input or a count of 0 writes nothing and returns 0.
int Base64Encode(const BYTE* input, int count, char* output);

// The characters Base64Encode writes for `count` input bytes: room the caller must provide.
int Base64EncodedLength(int count);
