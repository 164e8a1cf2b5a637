// Decides frame by frame whether audio is speech or silence, with a threshold that
// follows the background noise.  A short hangover keeps the ends of words.
#pragma once

#include <cstddef>
#include <cstdint>

class SilenceDetector {
 public:
  // Mean absolute amplitude of `count` samples (0 to 32768).
  static unsigned FrameLevel(const int16_t* samples, size_t count);

  // True when the frame is silence.
  bool IsSilent(const int16_t* samples, size_t count);
  void Reset();

  unsigned NoiseLevel() const { return m_noiseQ4 >> 4; }

  // Speech must stand this far above the noise floor: 2.0 in Q4 (about 6 dB).
  static constexpr unsigned kSpeechOverNoiseQ4 = 32;
  // A frame quieter than this never counts as speech (mean amplitude, about -54 dBFS).
  static constexpr unsigned kMinSpeechLevel = 64;
  // Speech continues for this many frames after the level falls (frames of 20 ms: 200 ms).
  static constexpr unsigned kHangoverFrames = 10;

 private:
  bool m_started = false;
  unsigned m_noiseQ4 = 0;  // noise floor, Q4
  unsigned m_hangover = 0;
};
