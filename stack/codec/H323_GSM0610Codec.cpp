#include "stack/codec/H323_GSM0610Codec.h"

#include <gsm.h>

#include <cstring>

H323_GSM0610Codec::H323_GSM0610Codec(Direction direction)
    : H323FramedAudioCodec(kMediaFormatGsm0610, direction), m_gsm(gsm_create()) {}

H323_GSM0610Codec::~H323_GSM0610Codec() {
  if (m_gsm != nullptr) gsm_destroy(m_gsm);
}

bool H323_GSM0610Codec::EncodeFrame(uint8_t* buffer, unsigned& length) {
  length = 0;
  if (m_gsm == nullptr || buffer == nullptr) return false;
  gsm_encode(m_gsm, m_sampleBuffer.data(), buffer);
  length = kBytesPerFrame;
  return true;
}

bool H323_GSM0610Codec::DecodeFrame(const uint8_t* buffer, unsigned length, unsigned& written) {
  written = 0;
  if (m_gsm == nullptr || buffer == nullptr || length < kBytesPerFrame) return false;
  gsm_frame frame;
  std::memcpy(frame, buffer, kBytesPerFrame);
  if (gsm_decode(m_gsm, frame, m_sampleBuffer.data()) != 0) return false;
  written = kBytesPerFrame;
  return true;
}
