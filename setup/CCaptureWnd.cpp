#include "setup/CCaptureWnd.h"

#include "platform/win/MessageSystem.h"
#include "platform/capture/VfwCapture.h"

BOOL CCaptureWnd::s_driverConnected = FALSE;

DWORD timeGetTime() { return static_cast<DWORD>(varlo::win::MessageSystem::Instance().Clock().NowMs()); }

BEGIN_MESSAGE_MAP(CCaptureWnd, CWnd)
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CCaptureWnd::CCaptureWnd() = default;
CCaptureWnd::~CCaptureWnd() = default;

BITMAPINFO* CCaptureWnd::GetFrame() {
  if (m_frameBuffer == nullptr) return nullptr;
  if (timeGetTime() - m_lastFrameTime >= kGrabIntervalMs && GetSafeHwnd() != nullptr && IsWindow())
    SendMessage(WM_CAP_GRAB_FRAME_NOSTOP, 0, 0);
  return reinterpret_cast<BITMAPINFO*>(m_frameBuffer);
}

BYTE* CCaptureWnd::GetFrameBits() {
  BITMAPINFO* frame = GetFrame();
  if (frame == nullptr || m_pixelOffset >= m_frameBytes) return nullptr;
  return m_frameBuffer + m_pixelOffset;
}

void CCaptureWnd::OnFrame(BYTE* buffer, size_t bytes, DWORD pixelOffset) {
  if (buffer == nullptr || bytes < sizeof(BITMAPINFOHEADER)) {
    m_frameBuffer = nullptr;
    m_frameBytes = 0;
    m_pixelOffset = 0;
    return;
  }
  m_frameBuffer = buffer;
  m_frameBytes = bytes;
  m_pixelOffset = pixelOffset;
  m_lastFrameTime = timeGetTime();
}

void CCaptureWnd::OnDestroy() {
  if (s_driverConnected && GetSafeHwnd() != nullptr) {
    SendMessage(WM_CAP_SET_CALLBACK_FRAME, 0, 0);
    SendMessage(WM_CAP_DRIVER_DISCONNECT, 0, 0);
  }
  CWnd::OnDestroy();
  s_driverConnected = FALSE;
  // The driver's buffer goes with the driver.
  m_frameBuffer = nullptr;
  m_frameBytes = 0;
  m_pixelOffset = 0;
}
