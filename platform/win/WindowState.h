// The layer's own record of one window: everything a test reads and a backend mirrors.
// A CWnd object attaches to it (or a wrapper is made on demand, as for dialog controls).
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/win/Backend.h"
#include "platform/win/Geometry.h"
#include "platform/win/WinStyles.h"

class CWnd;

namespace varlo::win {

class WindowClass;
struct RegionData;
struct DrawOp;

struct WindowState {
  WindowState();
  ~WindowState();

  HWND hwnd = nullptr;
  std::string className;
  std::string text;  // UTF-8
  DWORD style = 0;
  DWORD exStyle = 0;
  int id = 0;
  HWND parent = nullptr;  // child windows
  HWND owner = nullptr;   // top-level windows
  std::vector<HWND> children;  // creation (tab) order; the first lies on top
  CRect rect;  // in the parent's client area; in screen coordinates for top-level windows

  CWnd* wnd = nullptr;                // the attached C++ object, if any
  std::unique_ptr<CWnd> wrapper;      // made by the layer when nobody attached one
  std::unique_ptr<WindowClass> cls;   // the class's own behaviour and data
  std::unique_ptr<IWindowPeer> peer;  // the backend's widget

  HFONT font = nullptr;
  HICON iconBig = nullptr;
  HICON iconSmall = nullptr;
  std::shared_ptr<const RegionData> region;  // window shape; null for a rectangle
  bool minimized = false;

  bool needsPaint = false;
  bool eraseBackground = false;
  std::vector<DrawOp> lastPaint;  // what the last display-free paint drew

  // The window's listener for other programs (CrossProcess.h), joined when it goes.
  std::shared_ptr<void> sharedWithOtherPrograms;

  bool destroying = false;
  bool internal = false;  // the layer's own hidden windows: not found, not listed

  bool Visible() const { return (style & WS_VISIBLE) != 0; }
  bool Enabled() const { return (style & WS_DISABLED) == 0; }
  bool IsChild() const { return (style & WS_CHILD) != 0; }
  bool Topmost() const { return (exStyle & WS_EX_TOPMOST) != 0; }
  CRect ClientRect() const { return CRect(0, 0, rect.Width(), rect.Height()); }

  template <class T>
  T* As() const;
  // Tells the peer, if there is one.
  void Changed(unsigned changes);
};

// A backend's report that the window system moved or sized a top-level window by itself (a
// window manager placed it, the user dragged its frame): the window's rectangle takes the
// client area's new place and the window hears WM_MOVE and WM_SIZE as after SetWindowPos,
// but nothing is asked of the window system again.
void TakeSystemPlacement(HWND hwnd, const CRect& rect);

}  // namespace varlo::win
