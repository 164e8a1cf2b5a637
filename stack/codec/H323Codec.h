// A codec converts between a raw media channel (such as a sound channel) and coded
// frames.  One codec object serves one direction: an encoder reads raw media and
// produces frames, a decoder takes frames and writes raw media.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "stack/codec/H323MediaFormat.h"
#include "stack/ptlib/PChannel.h"
#include "stack/ptlib/PObject.h"

class H323Codec : public PObject {
  PCLASSINFO(H323Codec, PObject)
 public:
  enum Direction { Encoder, Decoder };

  // `mediaFormat` names one of the formats of H323MediaFormat; an unknown name leaves a
  // codec whose format has zero sizes, and IsValid() is false.
  H323Codec(const char* mediaFormat, Direction direction);
  ~H323Codec() override;

  Direction GetDirection() const { return m_direction; }
  const H323MediaFormat& GetMediaFormat() const { return m_mediaFormat; }
  bool IsValid() const { return m_mediaFormat.frameBytes != 0; }
  // RTP timestamp units of one frame.
  virtual unsigned GetFrameRate() const { return m_mediaFormat.frameSamples; }

  // Encoder: produces the next coded frame into `buffer` (room for one frame of the
  // media format) and sets `length`; length 0 means nothing is to be sent for this frame
  // time (silence).  `marker` is set on the first frame of a talk burst.  False when the
  // raw channel fails or is closed.
  virtual bool Read(uint8_t* buffer, unsigned& length, bool& marker) = 0;
  // Decoder: plays the coded data of one packet (`length` 0: a frame time with nothing
  // received).  `written` is the number of coded bytes used.
  virtual bool Write(const uint8_t* buffer, unsigned length, unsigned& written) = 0;

  // The channel raw media is read from or written to.  With `autoDelete` the codec owns
  // it.  Replaces (and, when owned, deletes) a previous channel.
  virtual bool AttachChannel(PChannel* channel, bool autoDelete = true);
  // Detaches the channel without deleting it; returns it.
  PChannel* SwapChannel(PChannel* channel, bool autoDelete = true);
  PChannel* GetRawDataChannel() const;
  // Raw samples written to the channel so far (decoders).
  uint64_t GetSamplesWritten() const { return m_samplesWritten.load(); }
  // Closes the raw channel, which ends a Read or Write waiting on it.
  virtual void Close();

 protected:
  bool ReadRaw(void* buffer, PINDEX length);
  bool WriteRaw(const void* buffer, PINDEX length);

  Direction m_direction;
  H323MediaFormat m_mediaFormat;

 private:
  void ReleaseChannel();

  mutable std::mutex m_channelMutex;
  PChannel* m_rawChannel = nullptr;
  bool m_deleteChannel = false;
  std::atomic<uint64_t> m_samplesWritten{0};
};
