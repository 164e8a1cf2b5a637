// Integer types, dimensions and the frame parameter record of the speech coder.
#pragma once

#include <cstdint>

namespace g7231 {

using Word16 = std::int16_t;
using Word32 = std::int32_t;
using Flag = int;

// Working rate.
enum Crate : Word32 { Rate63 = 0, Rate53 = 1 };

constexpr int Frame = 240;       // samples per frame (30 ms at 8 kHz)
constexpr int LpcFrame = 180;    // analysis window
constexpr int SubFrames = 4;
constexpr int SubFrLen = 60;
constexpr int LpcOrder = 10;
constexpr int PitchMin = 18;
constexpr int PitchMax = 145;    // also the length of every pitch history
constexpr int LspQntBands = 3;
constexpr int LspCbSize = 256;
constexpr int ClPitchOrd = 5;    // taps of the pitch predictor
constexpr int NumOfGainLev = 24;
constexpr int MaxFrameBytes = 24;

// Frame type codes (what the silence decision and the decoder use).
constexpr Word16 kFtypUntransmitted = 0;
constexpr Word16 kFtypSpeech = 1;
constexpr Word16 kFtypSid = 2;

struct SFSDEF {
  Word16 AcL = 0;
  Word16 AcG = 0;
  Word16 Mamp = 0;
  Word16 Grid = 0;
  Word16 Tran = 0;
  Word16 Pamp = 0;
  Word32 Ppos = 0;
};

struct LINEDEF {
  Word16 Crc = 0;
  Word32 LspId = 0;
  Word16 Olp[SubFrames / 2] = {0, 0};
  SFSDEF Sfs[SubFrames];
};

// Harmonic noise weighting of one subframe.
struct PWDEF {
  Word16 Indx = 0;
  Word16 Gain = 0;
};

// Pitch postfilter of one subframe.
struct PFDEF {
  Word16 Indx = 0;
  Word16 Gain = 0;
  Word16 ScGn = 0x7FFF;
};

}  // namespace g7231
