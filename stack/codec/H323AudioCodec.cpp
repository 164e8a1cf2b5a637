#include "stack/codec/H323AudioCodec.h"

#include <vector>

H323AudioCodec::H323AudioCodec(const char* mediaFormat, Direction direction) : H323Codec(mediaFormat, direction) {}

void H323AudioCodec::SetSilenceDetectionMode(SilenceDetectionMode mode, unsigned fixedThreshold) {
  m_fixedThreshold = fixedThreshold;
  m_silenceMode = mode;
}

bool H323AudioCodec::DetectSilence(const int16_t* samples, size_t count) {
  bool silent = false;
  switch (m_silenceMode.load()) {
    case NoSilenceDetection:
      m_detector.Reset();
      break;
    case FixedSilenceDetection:
      silent = SilenceDetector::FrameLevel(samples, count) <= m_fixedThreshold.load();
      break;
    case AdaptiveSilenceDetection:
      silent = m_detector.IsSilent(samples, count);
      break;
  }
  if (silent) {
    m_inTalkBurst = false;
  } else if (!m_inTalkBurst) {
    m_inTalkBurst = true;
    m_burstStarted = true;
  }
  return silent;
}

bool H323AudioCodec::TakeTalkBurstStart() {
  const bool start = m_burstStarted;
  m_burstStarted = false;
  return start;
}

bool H323AudioCodec::WriteSilence(unsigned samples) {
  if (samples == 0) return true;
  const std::vector<int16_t> zeros(samples, 0);
  return WriteRaw(zeros.data(), static_cast<PINDEX>(samples * 2));
}
