// A capture window that plays its driver: it answers the format messages, delivers a new
// frame on every grab request and records the requests.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/win/Clock.h"
#include "platform/win/MessageBox.h"
#include "platform/win/MessageSystem.h"
#include "setup/CCaptureWnd.h"
#include "platform/capture/VfwCapture.h"

class CFakeCaptureWnd : public CCaptureWnd {
 public:
  CFakeCaptureWnd() { CreateEx(0, "", "capture", WS_POPUP, CRect(0, 0, 10, 10), nullptr, 0); }
  ~CFakeCaptureWnd() override {
    if (GetSafeHwnd() != nullptr) DestroyWindow();
  }

  bool acceptFormats = true;
  std::vector<DWORD> refusedCompressions;
  std::vector<BITMAPINFOHEADER> applied;  // formats offered by WM_CAP_SET_VIDEOFORMAT
  std::vector<UINT> requests;             // every capture message, in order
  std::vector<BYTE> nextFrame;            // what a grab delivers (header and pixels)
  DWORD pixelOffset = sizeof(BITMAPINFOHEADER);

  int Grabs() const {
    int n = 0;
    for (UINT r : requests) n += r == WM_CAP_GRAB_FRAME_NOSTOP;
    return n;
  }
  void Deliver() { OnFrame(nextFrame.data(), nextFrame.size(), pixelOffset); }

 protected:
  LRESULT OnGetFormat(WPARAM size, LPARAM header) {
    requests.push_back(WM_CAP_GET_VIDEOFORMAT);
    if (size < sizeof(BITMAPINFOHEADER) || applied.empty()) return 0;
    *reinterpret_cast<BITMAPINFOHEADER*>(header) = applied.back();
    return 1;
  }
  LRESULT OnSetFormat(WPARAM, LPARAM header) {
    requests.push_back(WM_CAP_SET_VIDEOFORMAT);
    const auto& offered = *reinterpret_cast<const BITMAPINFOHEADER*>(header);
    if (!acceptFormats) return 0;
    for (DWORD refused : refusedCompressions)
      if (offered.biCompression == refused) return 0;
    applied.push_back(offered);
    return 1;
  }
  LRESULT OnGrab(WPARAM, LPARAM) {
    requests.push_back(WM_CAP_GRAB_FRAME_NOSTOP);
    Deliver();
    return 1;
  }
  LRESULT OnCallback(WPARAM, LPARAM) {
    requests.push_back(WM_CAP_SET_CALLBACK_FRAME);
    return 1;
  }
  LRESULT OnDisconnect(WPARAM, LPARAM) {
    requests.push_back(WM_CAP_DRIVER_DISCONNECT);
    return 1;
  }
  DECLARE_MESSAGE_MAP()
};

// Headless windows on a clock that moves only when told; message boxes answered at once.
class VideoWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock = std::make_shared<varlo::win::ManualClock>(100000);
    varlo::win::MessageSystem::Instance().Reset(clock);
    varlo::win::SetMessageBoxHook([](const varlo::win::MessageBoxRequest&) { return IDOK; });
    varlo::win::ClearShownMessageBoxes();
  }
  void TearDown() override {
    varlo::win::SetMessageBoxHook(nullptr);
    varlo::win::MessageSystem::Instance().Reset();
  }
  std::shared_ptr<varlo::win::ManualClock> clock;
};
