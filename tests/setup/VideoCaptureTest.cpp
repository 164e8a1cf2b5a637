// The capture device's colour formats and driver names, and the capture window's pacing.
#include <cstring>
#include <map>

#include "VideoTestSupport.h"
#include "setup/CVideoInputDevice.h"
#include "platform/capture/PVideoDeviceBitmap.h"

namespace {

struct FormatRow {
  const char* name;
  WORD bits;
  bool topDown;
  const char* compression;  // FOURCC text, or "RGB" / "BITFIELDS"
  bool flip;
};

DWORD Compression(const char* text) {
  if (std::strcmp(text, "RGB") == 0) return BI_RGB;
  if (std::strcmp(text, "BITFIELDS") == 0) return BI_BITFIELDS;
  return MakeFourCC(text[0], text[1], text[2], text[3]);
}

}  // namespace

TEST(ColourFormatTable, LookUpIgnoresCaseAndPacksFourCCsLowByteFirst) {
  EXPECT_EQ(MakeFourCC('I', 'Y', 'U', 'V'), 0x56555949u);
  const FormatRow rows[] = {
      {"rgb24f", 24, false, "RGB", true},    {"RGB24", 24, true, "RGB", true},      {"Rgb32", 32, true, "RGB", true},
      {"RGB32F", 32, false, "RGB", true},    {"gray", 8, true, "RGB", true},        {"GreyF", 8, false, "RGB", true},
      {"RGB565", 16, true, "BITFIELDS", true}, {"rgb555f", 15, false, "BITFIELDS", true},
      {"yuv420p", 12, false, "IYUV", false}, {"I420", 12, false, "I420", false},   {"YV12", 12, false, "YV12", false},
      {"YUV422", 16, false, "YUY2", false},  {"uyvy", 16, false, "UYVY", false},   {"YVYU", 16, false, "YVYU", false},
      {"MJPEG", 12, false, "MJPG", false},
  };
  for (const auto& r : rows) {
    const CColourFormatEntry* e = CVideoInputDevice::FindColourFormat(r.name);
    ASSERT_NE(e, nullptr) << r.name;
    EXPECT_EQ(e->bitCount, r.bits) << r.name;
    EXPECT_EQ(e->topDown, r.topDown) << r.name;
    EXPECT_EQ(e->compression, Compression(r.compression)) << r.name;
    EXPECT_EQ(e->flip, r.flip) << r.name;
  }
  EXPECT_EQ(CVideoInputDevice::FindColourFormat("RGB24X"), nullptr);
}

TEST_F(VideoWindowTest, SetColourFormatAppliesTheRowToTheCaptureWindow) {
  const struct {
    const char* name;
    bool accept;
    bool ok;
    WORD bits;
    LONG height;
    DWORD compression;
    const char* formatAfter;
  } cases[] = {
      {"rgb24f", true, true, 24, 288, BI_RGB, "rgb24f"},
      {"RGB24", true, true, 24, -288, BI_RGB, "RGB24"},
      {"YV12", true, true, 12, 288, MakeFourCC('Y', 'V', '1', '2'), "YV12"},
      {"ABCD", true, true, 0, 288, MakeFourCC('A', 'B', 'C', 'D'), "ABCD"},
      {"XY", true, false, 0, 0, 0, "RGB32"},      // neither in the table nor 4 characters
      {"RGB565", false, false, 16, -288, BI_BITFIELDS, "RGB32"},  // refused by the window
  };
  for (const auto& c : cases) {
    CFakeCaptureWnd window;
    CVideoInputDevice device;
    device.SetCaptureWindow(window.GetSafeHwnd());
    ASSERT_TRUE(device.SetColourFormat("RGB32"));
    window.applied.clear();
    window.acceptFormats = c.accept;
    EXPECT_EQ(device.SetColourFormat(c.name), c.ok) << c.name;
    EXPECT_EQ(device.GetColourFormat(), PString(c.formatAfter)) << c.name;
    if (c.accept && c.ok) {
      ASSERT_EQ(window.applied.size(), 1u) << c.name;
      const BITMAPINFOHEADER& h = window.applied[0];
      EXPECT_EQ(h.biBitCount, c.bits) << c.name;
      EXPECT_EQ(h.biWidth, 352) << c.name;
      EXPECT_EQ(h.biHeight, c.height) << c.name;
      EXPECT_EQ(h.biCompression, c.compression) << c.name;
    } else if (c.accept) {
      EXPECT_TRUE(window.applied.empty()) << c.name;
    }
  }
  CVideoInputDevice alone;  // no capture window at all
  EXPECT_FALSE(alone.SetColourFormat("RGB24"));
}

TEST_F(VideoWindowTest, ConverterFallsBackToThePreferredFormatAndTakesTheRowsFlip) {
  CFakeCaptureWnd window;
  CVideoInputDevice device;
  device.SetCaptureWindow(window.GetSafeHwnd());
  window.acceptFormats = false;
  EXPECT_FALSE(device.SetColourFormatConverter("YUV420P"));
  EXPECT_EQ(device.GetColourConverter(), nullptr);

  // The window refuses planar frames but takes bottom-up RGB, the device's preferred format.
  window.acceptFormats = true;
  window.refusedCompressions = {MakeFourCC('I', 'Y', 'U', 'V')};
  ASSERT_TRUE(device.SetFrameSize(4, 2));
  ASSERT_TRUE(device.SetColourFormatConverter("YUV420P"));
  ASSERT_NE(device.GetColourConverter(), nullptr);
  EXPECT_EQ(device.GetColourFormat(), PString("RGB24F"));
  EXPECT_EQ(device.GetColourConverter()->GetSrcColourFormat(), PString("RGB24F"));
  EXPECT_TRUE(device.GetColourConverter()->GetVerticalFlip());
  EXPECT_EQ(device.GetMaxFrameBytes(), 12) << "one converted 4 x 2 frame";

  ASSERT_TRUE(device.SetColourFormat("YV12"));
  EXPECT_FALSE(device.GetColourConverter()->GetVerticalFlip());
  ASSERT_TRUE(device.SetColourFormat("WXYZ"));
  EXPECT_FALSE(device.GetColourConverter()->GetVerticalFlip()) << "an unknown FOURCC leaves the flip";
}

TEST(CaptureDriverNames, SlotsZeroAndTwoWithAMetadataNodeBetween) {
  auto caps = [](const char* card, __u32 deviceCaps) {
    v4l2_capability c{};
    std::strncpy(reinterpret_cast<char*>(c.card), card, sizeof c.card);
    c.capabilities = V4L2_CAP_DEVICE_CAPS | V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_META_CAPTURE;
    c.device_caps = deviceCaps;
    return c;
  };
  const std::map<std::string, v4l2_capability> nodes{
      {"/dev/video0", caps("Front camera", V4L2_CAP_VIDEO_CAPTURE)},
      {"/dev/video1", caps("Front camera", V4L2_CAP_META_CAPTURE)},
      {"/dev/video2", caps("USB capture", V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING)},
  };
  const PStringList names = CVideoInputDevice::GetInputDeviceNames([&](const std::string& path, v4l2_capability& c) {
    auto it = nodes.find(path);
    if (it == nodes.end()) return false;
    c = it->second;
    return true;
  });
  EXPECT_EQ(names, (PStringList{"Front camera", "USB capture"}));
}

TEST_F(VideoWindowTest, GrabsAFreshFrameAtMostEvery21Milliseconds) {
  CFakeCaptureWnd window;
  EXPECT_EQ(window.GetFrame(), nullptr) << "no frame yet";
  EXPECT_EQ(window.Grabs(), 0);
  window.nextFrame.assign(sizeof(BITMAPINFOHEADER) + 16, 0);
  window.Deliver();  // arrives at t = 0

  const struct {
    int advanceMs;
    int grabsAfter;
  } steps[] = {{0, 0}, {20, 0}, {1, 1}, {0, 1}, {20, 1}, {1, 2}, {500, 3}};
  for (const auto& s : steps) {
    clock->Advance(s.advanceMs);
    EXPECT_NE(window.GetFrame(), nullptr);
    EXPECT_EQ(window.Grabs(), s.grabsAfter) << "after +" << s.advanceMs << " ms";
  }
  // The pixels begin at the offset the driver gave; an offset outside the frame gives none.
  clock->Advance(21);
  EXPECT_EQ(window.GetFrameBits(), window.nextFrame.data() + sizeof(BITMAPINFOHEADER));
  window.pixelOffset = static_cast<DWORD>(window.nextFrame.size());
  window.Deliver();
  EXPECT_EQ(window.GetFrameBits(), nullptr);
}

TEST_F(VideoWindowTest, DestroyDisconnectsAConnectedDriverAndForgetsItsBuffer) {
  CFakeCaptureWnd window;
  window.nextFrame.assign(sizeof(BITMAPINFOHEADER) + 4, 0);
  window.Deliver();
  CCaptureWnd::SetDriverConnected(TRUE);
  window.DestroyWindow();
  EXPECT_EQ(window.requests, (std::vector<UINT>{WM_CAP_SET_CALLBACK_FRAME, WM_CAP_DRIVER_DISCONNECT}));
  EXPECT_FALSE(CCaptureWnd::IsDriverConnected());
  EXPECT_EQ(window.GetFrame(), nullptr);

  CFakeCaptureWnd unconnected;
  unconnected.DestroyWindow();
  EXPECT_TRUE(unconnected.requests.empty());
}
