#include "stack/video/H323VideoCodec.h"

H323VideoCodec::H323VideoCodec(const char* mediaFormat, Direction direction) : H323Codec(mediaFormat, direction) {}
H323VideoCodec::~H323VideoCodec() = default;
