// Handle, message-parameter and geometry types of the window layer.
#pragma once
#include <cstdint>

#include "platform/win/BaseTypes.h"

using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using COLORREF = DWORD;

// Handles are opaque pointers; each kind is its own type so they do not mix.
#define VARLO_DECLARE_HANDLE(name) \
  struct name##__;                 \
  using name = name##__*
VARLO_DECLARE_HANDLE(HWND);
VARLO_DECLARE_HANDLE(HINSTANCE);
VARLO_DECLARE_HANDLE(HMENU);
VARLO_DECLARE_HANDLE(HDC);

VARLO_DECLARE_HANDLE(HBRUSH);
VARLO_DECLARE_HANDLE(HPEN);
VARLO_DECLARE_HANDLE(HFONT);
VARLO_DECLARE_HANDLE(HBITMAP);
VARLO_DECLARE_HANDLE(HRGN);
VARLO_DECLARE_HANDLE(HICON);
#undef VARLO_DECLARE_HANDLE
using HMODULE = HINSTANCE;
using HGDIOBJ = void*;  // every GDI handle converts to it
using HCURSOR = HICON;

struct POINT {
  LONG x = 0;
  LONG y = 0;
};
struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
};
struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt{};
};

// The block that WM_COPYDATA carries (lParam points to it).
struct COPYDATASTRUCT {
  UINT_PTR dwData = 0;
  DWORD cbData = 0;
  void* lpData = nullptr;
};
using PCOPYDATASTRUCT = COPYDATASTRUCT*;

// Header of a WM_NOTIFY notification (lParam points to it).
struct NMHDR {
  HWND hwndFrom = nullptr;
  UINT_PTR idFrom = 0;
  UINT code = 0;
};

constexpr WORD LOWORD(UINT_PTR v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(UINT_PTR v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr LONG MAKELONG(WORD lo, WORD hi) {
  return static_cast<LONG>(static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16));
}
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) { return static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(lo, hi))); }
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) { return static_cast<LPARAM>(MAKELONG(lo, hi)); }
// Signed coordinates packed into an lParam (mouse and move messages).
constexpr int GET_X_LPARAM(LPARAM l) { return static_cast<short>(LOWORD(static_cast<UINT_PTR>(l))); }
constexpr int GET_Y_LPARAM(LPARAM l) { return static_cast<short>(HIWORD(static_cast<UINT_PTR>(l))); }
constexpr LPARAM MakePointLParam(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

// Colours are 0x00BBGGRR.
constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }
