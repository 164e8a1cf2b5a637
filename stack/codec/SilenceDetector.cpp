#include "stack/codec/SilenceDetector.h"

#include <algorithm>
#include <cstdlib>

namespace {

// The noise floor falls quickly (1/4 of the gap per frame) and rises slowly (1/128 of the
// gap per frame in silence, 1/1024 during speech), so it settles on the quiet stretches
// between words and still follows a lasting rise of the background.
constexpr unsigned kFallShift = 2;
constexpr unsigned kRiseShift = 7;
constexpr unsigned kRiseInSpeechShift = 10;

}  // namespace

unsigned SilenceDetector::FrameLevel(const int16_t* samples, size_t count) {
  if (count == 0) return 0;
  uint64_t sum = 0;
  for (size_t i = 0; i < count; ++i) sum += static_cast<unsigned>(std::abs(static_cast<int>(samples[i])));
  return static_cast<unsigned>(sum / count);
}

void SilenceDetector::Reset() {
  m_started = false;
  m_noiseQ4 = 0;
  m_hangover = 0;
}

bool SilenceDetector::IsSilent(const int16_t* samples, size_t count) {
  const unsigned level = FrameLevel(samples, count);
  const unsigned levelQ4 = level << 4;
  if (!m_started) {
    m_started = true;
    m_noiseQ4 = std::min(levelQ4, kMinSpeechLevel << 4);
  }
  const unsigned threshold = std::max(kMinSpeechLevel, (m_noiseQ4 * kSpeechOverNoiseQ4) >> 8);
  const bool speech = level > threshold;
  if (levelQ4 < m_noiseQ4) {
    m_noiseQ4 -= (m_noiseQ4 - levelQ4) >> kFallShift;
  } else {
    m_noiseQ4 += std::max(1u, (levelQ4 - m_noiseQ4) >> (speech ? kRiseInSpeechShift : kRiseShift));
  }
  if (speech) {
    m_hangover = kHangoverFrames;
    return false;
  }
  if (m_hangover > 0) {
    --m_hangover;
    return false;
  }
  return true;
}
