#include "stack/codec/H323FramedAudioCodec.h"

#include <algorithm>

H323FramedAudioCodec::H323FramedAudioCodec(const char* mediaFormat, Direction direction)
    : H323AudioCodec(mediaFormat, direction),
      m_sampleBuffer(m_mediaFormat.frameSamples),
      m_samplesPerFrame(m_mediaFormat.frameSamples),
      m_bytesPerFrame(m_mediaFormat.frameBytes) {}

bool H323FramedAudioCodec::Read(uint8_t* buffer, unsigned& length, bool& marker) {
  length = 0;
  marker = false;
  if (m_direction != Encoder || m_samplesPerFrame == 0) return false;
  if (!ReadRaw(m_sampleBuffer.data(), static_cast<PINDEX>(m_samplesPerFrame * 2))) return false;
  if (DetectSilence(m_sampleBuffer.data(), m_samplesPerFrame)) return true;
  if (!EncodeFrame(buffer, length)) {
    length = 0;
    return false;
  }
  length = std::min(length, m_bytesPerFrame);
  marker = TakeTalkBurstStart();
  return true;
}

bool H323FramedAudioCodec::Write(const uint8_t* buffer, unsigned length, unsigned& written) {
  written = 0;
  if (m_direction != Decoder || m_samplesPerFrame == 0) return false;
  const PINDEX frameBytes = static_cast<PINDEX>(m_samplesPerFrame * 2);
  if (length == 0 || buffer == nullptr) {
    std::fill(m_sampleBuffer.begin(), m_sampleBuffer.end(), 0);
    return WriteRaw(m_sampleBuffer.data(), frameBytes);
  }
  while (written < length) {
    const unsigned available = std::min(length - written, m_bytesPerFrame);
    unsigned used = 0;
    if (!DecodeFrame(buffer + written, available, used) || used == 0) {
      // A damaged frame: silence in its place, and go on with the next one.
      std::fill(m_sampleBuffer.begin(), m_sampleBuffer.end(), 0);
      if (!WriteRaw(m_sampleBuffer.data(), frameBytes)) return false;
      written += available;
      continue;
    }
    const unsigned played = std::min(GetDecodedSamples(used), m_samplesPerFrame);
    written += std::min(used, available);
    if (played > 0 && !WriteRaw(m_sampleBuffer.data(), static_cast<PINDEX>(played * 2))) return false;
  }
  return true;
}

unsigned H323FramedAudioCodec::GetDecodedSamples(unsigned bytesUsed) const {
  if (m_bytesPerFrame == 0) return 0;
  return std::min(bytesUsed, m_bytesPerFrame) * m_samplesPerFrame / m_bytesPerFrame;
}
