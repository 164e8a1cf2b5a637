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
  if (m_capturedUsed >= m_captured.size()) {
    // With silence detection a packet may end or begin at any frame: one at a time then.
    const unsigned frames = GetSilenceDetectionMode() == NoSilenceDetection ? m_framesPerRead : 1;
    m_captured.resize(static_cast<size_t>(m_samplesPerFrame) * frames);
    m_capturedUsed = 0;
    if (!ReadRaw(m_captured.data(), static_cast<PINDEX>(m_captured.size() * 2))) {
      m_captured.clear();
      return false;
    }
  }
  std::copy_n(m_captured.begin() + static_cast<std::ptrdiff_t>(m_capturedUsed), m_samplesPerFrame, m_sampleBuffer.begin());
  m_capturedUsed += m_samplesPerFrame;
  if (DetectSilence(m_sampleBuffer.data(), m_samplesPerFrame)) return true;
  if (!EncodeFrame(buffer, length)) {
    length = 0;
    return false;
  }
  length = std::min(length, m_bytesPerFrame);
  marker = TakeTalkBurstStart();
  return true;
}

void H323FramedAudioCodec::SetFramesPerRead(unsigned framesPerRead) {
  m_framesPerRead = std::max(1u, framesPerRead);
  m_captured.clear();
  m_capturedUsed = 0;
}

bool H323FramedAudioCodec::Write(const uint8_t* buffer, unsigned length, unsigned& written) {
  written = 0;
  if (m_direction != Decoder || m_samplesPerFrame == 0) return false;
  const PINDEX frameBytes = static_cast<PINDEX>(m_samplesPerFrame * 2);
  if (length == 0 || buffer == nullptr) {
    std::fill(m_sampleBuffer.begin(), m_sampleBuffer.end(), 0);
    return WriteRaw(m_sampleBuffer.data(), frameBytes);
  }
  m_decoded.clear();
  while (written < length) {
    const unsigned available = std::min(length - written, m_bytesPerFrame);
    unsigned used = 0;
    if (!DecodeFrame(buffer + written, available, used) || used == 0) {
      // A damaged frame: silence in its place, and go on with the next one.
      m_decoded.insert(m_decoded.end(), m_samplesPerFrame, 0);
      written += available;
      continue;
    }
    const unsigned played = std::min(GetDecodedSamples(used), m_samplesPerFrame);
    written += std::min(used, available);
    m_decoded.insert(m_decoded.end(), m_sampleBuffer.begin(), m_sampleBuffer.begin() + played);
  }
  return m_decoded.empty() || WriteRaw(m_decoded.data(), static_cast<PINDEX>(m_decoded.size() * 2));
}

unsigned H323FramedAudioCodec::GetDecodedSamples(unsigned bytesUsed) const {
  if (m_bytesPerFrame == 0) return 0;
  return std::min(bytesUsed, m_bytesPerFrame) * m_samplesPerFrame / m_bytesPerFrame;
}
