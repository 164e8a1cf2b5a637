// The base of audio codecs that work on whole frames: it reads one frame of samples from
// the raw channel into the sample buffer and has EncodeFrame code it, and it splits a
// received payload into frames that DecodeFrame turns into the sample buffer.
#pragma once

#include <vector>

#include "stack/codec/H323AudioCodec.h"

class H323FramedAudioCodec : public H323AudioCodec {
  PCLASSINFO(H323FramedAudioCodec, H323AudioCodec)
 public:
  H323FramedAudioCodec(const char* mediaFormat, Direction direction);

  unsigned GetSamplesPerFrame() const { return m_samplesPerFrame; }
  unsigned GetBytesPerFrame() const { return m_bytesPerFrame; }

  // Codes the sample buffer into `buffer` (room for GetBytesPerFrame() bytes) and sets
  // `length` to the bytes of the coded frame.
  virtual bool EncodeFrame(uint8_t* buffer, unsigned& length) = 0;
  // Decodes the frame at `buffer` (`length` bytes are available: the rest of the
  // payload, at most one frame) into the sample buffer and sets `written` to the bytes it
  // used.  The samples played afterwards are written * samples-per-frame /
  // bytes-per-frame (a whole frame when written is the frame size).
  virtual bool DecodeFrame(const uint8_t* buffer, unsigned length, unsigned& written) = 0;

  // Samples to play after DecodeFrame used `bytesUsed` bytes: in proportion to the frame
  // size (a whole frame for a whole frame).  A codec with frames of several sizes, which
  // reports each frame's own length, overrides it to play whole frames.
  virtual unsigned GetDecodedSamples(unsigned bytesUsed) const;

  // Codes one frame; with silence detection a silent frame gives length 0.  Without it the
  // samples come from the raw channel `framesPerRead` frames at a time (SetFramesPerRead),
  // so that a sender that puts several frames into each packet wakes once a packet, not
  // once a frame.
  bool Read(uint8_t* buffer, unsigned& length, bool& marker) override;
  // 1 unless set; at least 1.
  void SetFramesPerRead(unsigned framesPerRead);
  // Decodes every frame of the payload and writes the samples to the raw channel in one
  // write; a payload of length 0 plays one frame of silence.  A frame the decoder refuses plays
  // silence in its place, and decoding goes on one frame size further.
  bool Write(const uint8_t* buffer, unsigned length, unsigned& written) override;

 protected:
  std::vector<int16_t> m_sampleBuffer;  // one frame
  unsigned m_samplesPerFrame;
  unsigned m_bytesPerFrame;

 private:
  unsigned m_framesPerRead = 1;
  std::vector<int16_t> m_captured;  // frames read from the raw channel and not yet coded
  size_t m_capturedUsed = 0;        // samples of m_captured coded already
  std::vector<int16_t> m_decoded;   // a payload's samples, written at once
};
