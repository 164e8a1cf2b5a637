// Base of video codecs: a codec whose raw channel carries whole video frames.
#pragma once

#include "stack/codec/H323Codec.h"

class H323VideoCodec : public H323Codec {
  PCLASSINFO(H323VideoCodec, H323Codec)
 public:
  H323VideoCodec(const char* mediaFormat, Direction direction);
  ~H323VideoCodec() override;
};
