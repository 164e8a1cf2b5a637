// Line spectral pairs: conversion from LPC, predictive split vector quantisation, inverse
// quantisation with the erased-frame variant, interpolation and conversion back to LPC.
#pragma once

#include "codec/g7231/Typedef.h"

namespace g7231 {

void AtoLsp(Word16* LspVect, const Word16* Lpc, const Word16* PrevLsp);
// Overwrites CurrLsp with the quantiser's target; returns the 24-bit index.
Word32 Lsp_Qnt(Word16* CurrLsp, const Word16* PrevLsp);
Word32 Lsp_Svq(const Word16* Tv, Word16* Wvect);
void Lsp_Inq(Word16* Lsp, const Word16* PrevLsp, Word32 LspId, Word16 Crc);
void Lsp_Int(Word16* QntLpc, const Word16* CurrLsp, const Word16* PrevLsp);
void LsptoA(Word16* Lsp);

}  // namespace g7231
