// What the X server and the window manager know of the top-level windows, for the window
// tests: titles, owners, the window manager's stacking order.
#pragma once

#include <memory>
#include <string>
#include <vector>

using XWindow = unsigned long;

class XDesktop {
 public:
  XDesktop();
  ~XDesktop();
  bool Open() const;
  bool WindowManagerRuns() const;
  // The shown client window whose title starts with `title`, or 0.
  XWindow Find(const std::string& title) const;
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
