// The media formats the stack knows: name, RTP payload type, bit rate and frame geometry.
#pragma once

#include "stack/ptlib/PString.h"

struct H323MediaFormat {
  PString name;
  unsigned payloadType = 0;   // RTP payload type
  unsigned bitsPerSecond = 0;
  unsigned frameBytes = 0;    // bytes of one coded frame
  unsigned frameSamples = 0;  // samples of one frame (RTP timestamp units)
  unsigned clockRate = 8000;  // samples per second

  // The format of that name, or null.  Names compare exactly.
  static const H323MediaFormat* Find(const PString& name);
};

inline constexpr const char* kMediaFormatGsm0610 = "GSM-06.10";
inline constexpr const char* kMediaFormatG7231 = "G.723.1";
inline constexpr const char* kMediaFormatPcm16 = "PCM-16";
