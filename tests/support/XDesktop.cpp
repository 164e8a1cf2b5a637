#include "tests/support/XDesktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/win/Wnd.h"

struct XDesktop::Impl {
  Display* display = XOpenDisplay(nullptr);
  ~Impl() {
    if (display) XCloseDisplay(display);
  }
  Window Root() const { return DefaultRootWindow(display); }
  Atom AtomOf(const char* name) const { return XInternAtom(display, name, False); }
  std::vector<XWindow> Windows(Window w, const char* property) const {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<XWindow> out;
    if (XGetWindowProperty(display, w, AtomOf(property), 0, 4096, False, XA_WINDOW, &type, &format, &count, &after,
                           &data) == Success && data) {
      const auto* ids = reinterpret_cast<const unsigned long*>(data);
      out.assign(ids, ids + count);
      XFree(data);
    }
    return out;
  }
  std::string Title(Window w) const {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(display, w, AtomOf("_NET_WM_NAME"), 0, 1024, False, AtomOf("UTF8_STRING"), &type, &format,
                           &count, &after, &data) == Success && data) {
      title.assign(reinterpret_cast<const char*>(data), count);
      XFree(data);
    }
    return title;
  }
  std::vector<XWindow> Clients(bool managed) const {
    if (managed) return Windows(Root(), "_NET_CLIENT_LIST");
    Window root = 0, parent = 0, *children = nullptr;
    unsigned n = 0;
    std::vector<XWindow> out;
    if (XQueryTree(display, Root(), &root, &parent, &children, &n)) {
      out.assign(children, children + n);
      XFree(children);
    }
    return out;
  }
};

XDesktop::XDesktop() : m_impl(std::make_unique<Impl>()) {}
XDesktop::~XDesktop() = default;

bool XDesktop::Open() const { return m_impl->display != nullptr; }

bool XDesktop::WindowManagerRuns() const {
  return !m_impl->Windows(m_impl->Root(), "_NET_SUPPORTING_WM_CHECK").empty();
}

XWindow XDesktop::Find(const std::string& title) const {
  for (XWindow w : m_impl->Clients(WindowManagerRuns())) {
    XWindowAttributes a{};
    const bool shown = XGetWindowAttributes(m_impl->display, w, &a) && a.map_state == IsViewable;
    if ((shown || WindowManagerRuns()) && m_impl->Title(w).rfind(title, 0) == 0) return w;
  }
  return 0;
}

bool XDesktop::Shows(XWindow w) const {
  XWindowAttributes a{};
  return w != 0 && XGetWindowAttributes(m_impl->display, w, &a) && a.map_state == IsViewable;
}

XWindow XDesktop::TransientFor(XWindow w) const {
  Window owner = 0;
  return XGetTransientForHint(m_impl->display, w, &owner) ? owner : 0;
}

bool XDesktop::IsAbove(XWindow upper, XWindow lower) const {
  const std::vector<XWindow> order = m_impl->Windows(m_impl->Root(), "_NET_CLIENT_LIST_STACKING");
  int u = -1, l = -1;
  for (size_t i = 0; i < order.size(); ++i) {
    if (order[i] == upper) u = static_cast<int>(i);
    if (order[i] == lower) l = static_cast<int>(i);
  }
  return u >= 0 && l >= 0 && u > l;
}

void XDesktop::Activate(XWindow w) const {
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = m_impl->AtomOf("_NET_ACTIVE_WINDOW");
  e.xclient.format = 32;
  e.xclient.data.l[0] = 2;  // from a pager or task bar
  XSendEvent(m_impl->display, m_impl->Root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  XFlush(m_impl->display);
}

bool OnScreen(HWND hwnd) {
  static const XDesktop desktop;
  char title[256] = {};
  if (!::IsWindowVisible(hwnd) || ::GetWindowText(hwnd, title, sizeof title) <= 0) return false;
  return desktop.Shows(desktop.Find(title));
}
