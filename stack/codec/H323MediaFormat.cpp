#include "stack/codec/H323MediaFormat.h"

namespace {

const H323MediaFormat kFormats[] = {
    // name, payload type, bit/s, bytes per frame, samples per frame
    {kMediaFormatGsm0610, 3, 13200, 33, 160, 8000},
    {kMediaFormatG7231, 4, 6400, 24, 240, 8000},
    {kMediaFormatPcm16, 96, 128000, 16, 8, 8000},
};

}  // namespace

const H323MediaFormat* H323MediaFormat::Find(const PString& name) {
  for (const auto& f : kFormats)
    if (f.name == name) return &f;
  return nullptr;
}
