// What the X server and the window manager know of the top-level windows, for the window
// tests: titles, whether shown, owners, the window manager's stacking order.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/win/WinTypes.h"

using XWindow = unsigned long;

class XDesktop {
 public:
  XDesktop();
  ~XDesktop();
  bool Open() const;
  bool WindowManagerRuns() const;
  // The shown client window whose title starts with `title`, or 0.
  XWindow Find(const std::string& title) const;
  // Whether the X server shows `w` (it and all above it are mapped).
  bool Shows(XWindow w) const;
  // The window that `w` says owns it (WM_TRANSIENT_FOR), or 0.
  XWindow TransientFor(XWindow w) const;
  // Whether the window manager stacks `upper` above `lower` (false without one).
  bool IsAbove(XWindow upper, XWindow lower) const;
  // Asks the window manager to show and raise a window, as a task bar click does.
  void Activate(XWindow w) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

// Whether the X server shows the window layer's top-level window `hwnd` (found by its
// title, which must not be empty): from then on simulated input reaches it.
bool OnScreen(HWND hwnd);
