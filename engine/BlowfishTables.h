#pragma once
// The published initial Blowfish tables, shared by both ciphers: the P-array and the four
// S-boxes before any key is applied.

#include <cstdint>

extern const std::uint32_t kBlowfishInitP[18];
extern const std::uint32_t kBlowfishInitS[4][256];
