// The G.723.1 codec (with silence compression) as a framed audio codec of the stack:
// 240 samples (30 ms) per frame; a coded frame is 24 or 20 bytes of speech, a 4-byte SID
// frame or a 1-byte untransmitted frame, its length told by the two low bits of its first
// byte.  The coder's state is process-wide, so one encoder and one decoder work at a time;
// building a codec re-initialises the state of its direction.
#pragma once

#include <optional>

#include "codec/g7231/G7231Decoder.h"
#include "codec/g7231/G7231Encoder.h"
#include "stack/codec/H323FramedAudioCodec.h"

class H323_G7231Codec : public H323FramedAudioCodec {
  PCLASSINFO(H323_G7231Codec, H323FramedAudioCodec)
 public:
  explicit H323_G7231Codec(Direction direction);
  ~H323_G7231Codec() override;

  // Codes the 240 samples of the sample buffer into `buffer`, which must have room for
  // 24 bytes whatever the frame type, and sets `length` to the frame's own length.
  bool EncodeFrame(uint8_t* buffer, unsigned& length) override;
  // Decodes the frame at the start of the `length` bytes given and sets `written` to its
  // length by its type bits (at most `length`), so that a payload of frames of several
  // types is stepped through frame by frame.  Nothing past `length` is read; a frame cut
  // short is concealed.
  bool DecodeFrame(const uint8_t* buffer, unsigned length, unsigned& written) override;
  // Every decoded frame plays 240 samples, whatever its length.
  unsigned GetDecodedSamples(unsigned bytesUsed) const override;

  // The sample buffer, for tests and for callers that code without a raw channel.
  int16_t* Samples() { return m_sampleBuffer.data(); }

 private:
  std::optional<g7231::G7231Encoder> m_encoder;
  std::optional<g7231::G7231Decoder> m_decoder;
};
