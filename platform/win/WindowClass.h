// The built-in behaviour of a class of windows ("BUTTON", "EDIT", ...), as the system's
// window procedure of that class: it handles the class's messages and holds its data.
#pragma once
#include <memory>
#include <string_view>

#include "platform/win/WinMessages.h"
#include "platform/win/WindowState.h"

class CDC;

namespace varlo::win {

class WindowClass {
 public:
  virtual ~WindowClass() = default;
  // The class's window procedure; what it does not handle goes to DefWindowProcImpl.
  virtual LRESULT Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam);
  // Controls the layer draws itself onto the parent's surface (labels, owner-drawn
  // buttons, group boxes) rather than as toolkit widgets.
  virtual bool DrawnByLayer(const WindowState&) const { return false; }
  // Paints such a control; dc is in the control's client coordinates.
  virtual void PaintControl(WindowState&, CDC&) {}
  // The WM_CTLCOLOR* request this class sends to its parent.
  virtual UINT CtlColorMessage() const { return 0; }
};

// The generic default handling of every window.
LRESULT DefWindowProcImpl(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam);

// Creates a window: its state, its peer, WM_CREATE.  attach (may be null) becomes its object.
HWND CreateWindowState(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                       const CRect& rect, HWND parent, int id, CWnd* attach);

// Makes the behaviour for a class name; unknown names get the generic one.
std::unique_ptr<WindowClass> MakeWindowClass(std::string_view className);

template <class T>
T* WindowState::As() const {
  return dynamic_cast<T*>(cls.get());
}

}  // namespace varlo::win
