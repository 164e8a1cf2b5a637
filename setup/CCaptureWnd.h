// CCaptureWnd: the capture window.  Its driver delivers frames (packed device-independent
// bitmaps) through OnFrame; GetFrame asks the driver for a fresh frame at most every 21 ms
// and gives out the last one.
#pragma once

#include <cstddef>

#include "platform/win/Dib.h"
#include "platform/win/MessageMap.h"
#include "platform/win/Wnd.h"

class CCaptureWnd : public CWnd {
 public:
  static constexpr DWORD kGrabIntervalMs = 21;

  CCaptureWnd();
  ~CCaptureWnd() override;

  // The last frame, after a grab request when the last one is 21 ms old or more; null
  // when no frame has arrived.
  BITMAPINFO* GetFrame();
  // The same frame's pixels; null without a frame or when its pixel offset lies outside it.
  BYTE* GetFrameBits();
  // Bytes of the frame from its header, and of its pixels.
  size_t GetFrameBytes() const { return m_frameBytes; }
  size_t GetFrameBitsBytes() const { return m_pixelOffset < m_frameBytes ? m_frameBytes - m_pixelOffset : 0; }

  // The driver's frame callback: the buffer (not owned) holds `bytes` bytes, the pixels
  // start `pixelOffset` bytes in.  A null buffer or a size of 0 means no frame.
  void OnFrame(BYTE* buffer, size_t bytes, DWORD pixelOffset);
  // Set where a driver is connected to the window.
  static void SetDriverConnected(BOOL connected) { s_driverConnected = connected; }
  static BOOL IsDriverConnected() { return s_driverConnected; }

  HWND m_hCaptureWnd = nullptr;

 protected:
  void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  BYTE* m_frameBuffer = nullptr;
  size_t m_frameBytes = 0;
  DWORD m_lastFrameTime = 0;
  DWORD m_pixelOffset = 0;

  static BOOL s_driverConnected;
};

// Milliseconds of the window system's clock (the timer clock, replaced in tests).
DWORD timeGetTime();
