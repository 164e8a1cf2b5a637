// An audio codec: adds silence detection on the encoding side.
#pragma once

#include <atomic>

#include "stack/codec/H323Codec.h"
#include "stack/codec/SilenceDetector.h"

class H323AudioCodec : public H323Codec {
  PCLASSINFO(H323AudioCodec, H323Codec)
 public:
  enum SilenceDetectionMode {
    NoSilenceDetection = 0,
    FixedSilenceDetection = 1,
    AdaptiveSilenceDetection = 2,
  };

  H323AudioCodec(const char* mediaFormat, Direction direction);

  void SetSilenceDetectionMode(SilenceDetectionMode mode, unsigned fixedThreshold = 0);
  SilenceDetectionMode GetSilenceDetectionMode() const { return m_silenceMode.load(); }

  // Decoders: plays `samples` samples of silence on the raw channel.
  bool WriteSilence(unsigned samples);

 protected:
  // True when the frame of `count` samples is silence under the current mode; also keeps
  // track of talk bursts for the marker bit (see TakeTalkBurstStart).
  bool DetectSilence(const int16_t* samples, size_t count);
  // True once for the first speech frame after silence (and for the very first frame).
  bool TakeTalkBurstStart();

 private:
  std::atomic<SilenceDetectionMode> m_silenceMode{NoSilenceDetection};
  std::atomic<unsigned> m_fixedThreshold{0};
  SilenceDetector m_detector;
  bool m_inTalkBurst = false;
  bool m_burstStarted = false;
};
