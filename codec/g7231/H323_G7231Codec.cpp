#include "codec/g7231/H323_G7231Codec.h"

H323_G7231Codec::H323_G7231Codec(Direction direction) : H323FramedAudioCodec(kMediaFormatG7231, direction) {
  // Only the state of this codec's own direction is re-initialised: the other direction
  // may be in use by the other codec of the channel.
  if (direction == Encoder)
    m_encoder.emplace();
  else
    m_decoder.emplace();
}

// The engine state outlives the codec: nothing to release.
H323_G7231Codec::~H323_G7231Codec() = default;

bool H323_G7231Codec::EncodeFrame(uint8_t* buffer, unsigned& length) {
  length = 0;
  if (!m_encoder || buffer == nullptr) return false;
  length = static_cast<unsigned>(m_encoder->Encode(m_sampleBuffer.data(), buffer));
  return true;
}

bool H323_G7231Codec::DecodeFrame(const uint8_t* buffer, unsigned length, unsigned& written) {
  written = 0;
  if (!m_decoder || buffer == nullptr || length == 0) return false;
  written = static_cast<unsigned>(m_decoder->Decode(buffer, length, m_sampleBuffer.data()));
  return true;
}

unsigned H323_G7231Codec::GetDecodedSamples(unsigned bytesUsed) const {
  return bytesUsed > 0 ? m_samplesPerFrame : 0;
}
