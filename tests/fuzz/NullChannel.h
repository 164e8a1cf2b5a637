// A sound channel stand-in for the codec fuzz targets: it takes every sample it is given.
#pragma once

#include "stack/ptlib/PChannel.h"

namespace fuzz {

class NullChannel : public PChannel {
 public:
  bool IsOpen() const override { return true; }
  bool Write(const void*, PINDEX length) override {
    SetLastWriteCount(length);
    return true;
  }
};

}  // namespace fuzz
