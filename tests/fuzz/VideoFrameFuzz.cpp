// libFuzzer target over the video frame paths: the frame-grabber document's frame check,
// edge filter, motion detector and modes on frames whose header comes from the input, and
// the colour converter with sizes, formats and buffer room from the input.
//
// Input: byte 0 picks the converter's source format (low 3 bits), its flip (bit 3) and the
// document's mode (bits 4-5); bytes 1-2 and 3-4 the converter's width and height (1-64);
// byte 5 how much of a converted frame the destination lacks or spares; the rest is one
// packed frame (header and pixels) for the document and the source frame for the converter.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/win/MessageBox.h"
#include "platform/win/WinMessages.h"
#include "setup/CFrameGrabberDoc.h"
#include "stack/video/PColourConverter.h"
#include "tests/fuzz/FuzzSeeds.h"

namespace {

// Six control bytes, then a packed bottom-up frame: its 40-byte header and the pixels of a
// 4 x 4 picture at `bits` per pixel (rows padded to four bytes).
fuzz::Bytes FrameSeed(uint8_t control, uint16_t bits) {
  fuzz::Bytes in{control, 4, 0, 4, 0, 0};
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) in.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto put16 = [&](uint16_t v) {
    in.push_back(static_cast<uint8_t>(v));
    in.push_back(static_cast<uint8_t>(v >> 8));
  };
  const uint32_t stride = (4u * bits / 8u + 3u) & ~3u;
  put32(40);
  put32(4);
  put32(4);
  put16(1);
  put16(bits);
  put32(0);
  put32(stride * 4);
  put32(0);
  put32(0);
  put32(0);
  put32(0);
  for (uint32_t i = 0; i < stride * 4; ++i) in.push_back(static_cast<uint8_t>(i * 37));
  return in;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::WriteSeedsWhenAsked({FrameSeed(0x00, 24), FrameSeed(0x19, 32), FrameSeed(0x2a, 24), FrameSeed(0x33, 8)});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  static const bool quiet = [] {
    varlo::win::SetMessageBoxHook([](const varlo::win::MessageBoxRequest&) { return IDOK; });
    return true;
  }();
  (void)quiet;

  const uint8_t control = data[0];
  const unsigned width = 1 + (data[1] | data[2] << 8) % 64;
  const unsigned height = 1 + (data[3] | data[4] << 8) % 64;
  const int slack = static_cast<int8_t>(data[5]);
  const uint8_t* body = data + 6;
  const size_t bodySize = size - 6;

  // The frame in a buffer of exactly its size, so that any read past it is caught.
  {
    std::vector<uint8_t> frame(body, body + bodySize);
    auto* info = reinterpret_cast<BITMAPINFO*>(frame.data());
    CFrameGrabberDoc doc;
    CFrameGrabberDoc::IsWholeFrame(info, frame.size());
    doc.DetectMotion(info, frame.size());
    doc.EdgeFilter(info, frame.size());
    doc.DetectMotion(info, frame.size());
    doc.SetMode(1 + (control >> 4 & 3));
    doc.OnNewFrame(info, frame.size());
    doc.OnNewFrame(info, frame.size());
    varlo::win::ClearShownMessageBoxes();
  }

  static const char* const kFormats[] = {"RGB24", "RGB24F", "RGB32", "RGB32F", "YUV420P", "I420", "Grey", "MJPEG"};
  auto converter = PColourConverter::Create(kFormats[control & 7], "YUV420P", width, height);
  if (converter != nullptr) {
    converter->SetVerticalFlip((control & 8) != 0);
    const long room = static_cast<long>(converter->GetMaxDstFrameBytes()) + slack;
    std::vector<uint8_t> src(body, body + bodySize);
    std::vector<uint8_t> dst(room > 0 ? static_cast<size_t>(room) : 0);
    size_t written = 0;
    const bool ok = converter->Convert(src.data(), src.size(), dst.data(), dst.size(), &written);
    if (ok != (written == converter->GetMaxDstFrameBytes()) || written > dst.size()) __builtin_trap();
  }
  return 0;
}
