#include "platform/capture/PVideoDeviceBitmap.h"

#include <cstdlib>

#include "platform/win/Wnd.h"
#include "platform/capture/VfwCapture.h"

PVideoDeviceBitmap::PVideoDeviceBitmap(HWND captureWindow, WORD bitCount) {
  if (captureWindow != nullptr && ::IsWindow(captureWindow)) {
    BITMAPINFOHEADER current;
    if (::SendMessage(captureWindow, WM_CAP_GET_VIDEOFORMAT, sizeof current, reinterpret_cast<LPARAM>(&current)) != 0)
      m_header = current;
  }
  m_header.biSize = sizeof(BITMAPINFOHEADER);
  m_header.biPlanes = 1;
  m_header.biBitCount = bitCount;
}

bool PVideoDeviceBitmap::ApplyFormat(HWND captureWindow) {
  if (captureWindow == nullptr || !::IsWindow(captureWindow)) return false;
  const size_t row = ((static_cast<size_t>(std::labs(m_header.biWidth)) * m_header.biBitCount + 31) / 32) * 4;
  m_header.biSizeImage = static_cast<DWORD>(row * static_cast<size_t>(std::labs(m_header.biHeight)));
  return ::SendMessage(captureWindow, WM_CAP_SET_VIDEOFORMAT, sizeof m_header, reinterpret_cast<LPARAM>(&m_header)) != 0;
}
