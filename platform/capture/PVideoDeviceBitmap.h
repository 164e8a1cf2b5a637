// The frame format of a capture window: read from the window, changed, and applied back.
#pragma once

#include "platform/win/Dib.h"
#include "platform/win/WinTypes.h"

class PVideoDeviceBitmap {
 public:
  // The window's current format (a plain header when the window gives none), with the
  // bit count replaced by `bitCount`.
  PVideoDeviceBitmap(HWND captureWindow, WORD bitCount);

  BITMAPINFOHEADER* operator->() { return &m_header; }
  const BITMAPINFOHEADER& Header() const { return m_header; }
  // Sends the format to the window; TRUE when the window takes it.
  bool ApplyFormat(HWND captureWindow);

 private:
  BITMAPINFOHEADER m_header;
};

// The packed FOURCC code of four characters, the first in the lowest byte.
constexpr DWORD MakeFourCC(char a, char b, char c, char d) {
  return static_cast<DWORD>(static_cast<unsigned char>(a)) | static_cast<DWORD>(static_cast<unsigned char>(b)) << 8 |
         static_cast<DWORD>(static_cast<unsigned char>(c)) << 16 | static_cast<DWORD>(static_cast<unsigned char>(d)) << 24;
}
