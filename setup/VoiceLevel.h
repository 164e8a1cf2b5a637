// The microphone page's level meter: the bar position for the start of a sample buffer.
#pragma once

#include <cstdint>

// Position 0 and up (the bar's range is 0 to 100; more shows a full bar) from the first
// `count` samples: the swing between the highest and the lowest sample, in steps of 600.
// A sample counts as a new extreme when its tenth passes the extreme so far; the extremes
// kept are sixths, as the meter has always shown.
inline int VoiceLevelPosition(const int16_t* samples, int count) {
  int max = 0;
  int min = 0;
  for (int i = 0; i < count; ++i) {
    const int s = samples[i];
    const int a = s / 10;
    if (a > max) max = s / 6;
    if (a < min) min = s / 6;
  }
  return (max - min) / 100;
}
