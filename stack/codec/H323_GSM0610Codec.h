// The GSM 06.10 codec on libgsm.
#pragma once

#include "stack/codec/H323FramedAudioCodec.h"

struct gsm_state;

class H323_GSM0610Codec : public H323FramedAudioCodec {
  PCLASSINFO(H323_GSM0610Codec, H323FramedAudioCodec)
 public:
  static constexpr unsigned kSamplesPerFrame = 160;
  static constexpr unsigned kBytesPerFrame = 33;

  explicit H323_GSM0610Codec(Direction direction);
  ~H323_GSM0610Codec() override;

  // Codes the 160 samples of the sample buffer into 33 bytes.
  bool EncodeFrame(uint8_t* buffer, unsigned& length) override;
  // Decodes one 33-byte frame; a shorter rest of a payload, or a frame that is not a GSM
  // frame, is refused.
  bool DecodeFrame(const uint8_t* buffer, unsigned length, unsigned& written) override;

  // The sample buffer, for tests and for callers that code without a raw channel.
  int16_t* Samples() { return m_sampleBuffer.data(); }

 private:
  gsm_state* m_gsm;
};
