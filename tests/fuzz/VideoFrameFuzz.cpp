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
