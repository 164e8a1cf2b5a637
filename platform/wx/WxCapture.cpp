// Screen captures for the window tests: what the X server shows in a window's rectangle,
// read from the root window, so that pop-ups over the window (tooltips, drop-down lists)
// are in the picture as a user sees them.  The toolkit's own screen device context reads
// the windows' surfaces instead and misses the pop-ups.
#include <wx/bitmap.h>
#include <wx/image.h>

#include <algorithm>
#include <memory>

#include "platform/win/MessageSystem.h"
#include "platform/wx/WxBackend.h"

// Xlib last: its macros (Status, Bool, None...) would clash with the names above.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace varlo::wx {

namespace {

// The share of a pixel's value that `mask` selects, scaled to 0..255.
unsigned char Channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) return 0;
  unsigned shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  const unsigned long max = mask >> shift;
  return static_cast<unsigned char>(((pixel & mask) >> shift) * 255u / max);
}

}  // namespace

bool CaptureWindow(HWND hwnd, wxBitmap& out) {
  varlo::win::WindowState* w = varlo::win::MessageSystem::Instance().Find(hwnd);
  return w && CaptureScreen(w->rect, out);
}

bool CaptureScreen(const RECT& area, wxBitmap& out) {
  const CRect rect(area);
  if (rect.Width() <= 0 || rect.Height() <= 0) return false;
  std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), XCloseDisplay);
  if (!display) return false;
  const int screen = DefaultScreen(display.get());
  const int screenWidth = DisplayWidth(display.get(), screen), screenHeight = DisplayHeight(display.get(), screen);
  // The part of the window that lies on the screen; the rest stays black.
  const int left = std::max(0, static_cast<int>(rect.left)), top = std::max(0, static_cast<int>(rect.top));
  const int right = std::min(screenWidth, static_cast<int>(rect.right));
  const int bottom = std::min(screenHeight, static_cast<int>(rect.bottom));
  wxImage image(rect.Width(), rect.Height());
  if (right > left && bottom > top) {
    XImage* shot = XGetImage(display.get(), RootWindow(display.get(), screen), left, top,
                             static_cast<unsigned>(right - left), static_cast<unsigned>(bottom - top), AllPlanes, ZPixmap);
    if (!shot) return false;
    for (int y = 0; y < bottom - top; ++y) {
      for (int x = 0; x < right - left; ++x) {
        const unsigned long pixel = XGetPixel(shot, x, y);
        image.SetRGB(left - rect.left + x, top - rect.top + y, Channel(pixel, shot->red_mask),
                     Channel(pixel, shot->green_mask), Channel(pixel, shot->blue_mask));
      }
    }
    XDestroyImage(shot);
  }
  out = wxBitmap(image);
  return out.IsOk();
}

}  // namespace varlo::wx
