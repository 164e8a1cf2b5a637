#include "platform/wx/WxBackend.h"

#include <wx/wx.h>
#include <wx/dcbuffer.h>
#include <wx/evtloop.h>
#include <wx/listctrl.h>

#include <gtk/gtk.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win/ControlClasses.h"
#include "platform/win/DC.h"
#include "platform/win/GdiData.h"
#include "platform/win/HtmlView.h"
#include "platform/win/Input.h"
#include "platform/win/Menu.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/PlacementRequests.h"
#include "platform/win/WinApp.h"
#include "platform/win/WindowClass.h"
#include "platform/wx/WxDraw.h"
#include "platform/wx/WxFontWarmUp.h"
#include "platform/wx/WxListView.h"
#include "platform/wx/WxSkinCombo.h"
#include "platform/wx/WxTooltip.h"
#include "platform/wx/WxWebView.h"

namespace varlo::wx {

using namespace varlo::win;

namespace {

MessageSystem& Sys() { return MessageSystem::Instance(); }

constexpr int kFirstMenuItemId = 100;  // toolkit ids of a pop-up menu's items, in order
constexpr WPARAM kSizeRestored = 0;    // WM_SIZE's kinds
constexpr WPARAM kSizeMinimized = 1;

WindowState* TopOf(WindowState* w) {
  while (w && w->IsChild()) w = Sys().Find(w->parent);
  return w;
}

// The position of a window's client area inside its top-level window.
CPoint OffsetInTop(WindowState* w) {
  CPoint p(0, 0);
  while (w && w->IsChild()) {
    p.Offset(w->rect.left, w->rect.top);
    w = Sys().Find(w->parent);
  }
  return p;
}

UINT KeyToVk(const wxKeyEvent& e) {
  const int k = e.GetKeyCode();
  if (k >= '0' && k <= '9') return static_cast<UINT>(k);
  if (k >= 'A' && k <= 'Z') return static_cast<UINT>(k);
  if (k >= 'a' && k <= 'z') return static_cast<UINT>(k - 'a' + 'A');
  if (k >= WXK_NUMPAD0 && k <= WXK_NUMPAD9) return VK_NUMPAD0 + static_cast<UINT>(k - WXK_NUMPAD0);
  switch (k) {
    case WXK_BACK: return VK_BACK;
    case WXK_TAB: return VK_TAB;
    case WXK_RETURN: case WXK_NUMPAD_ENTER: return VK_RETURN;
    case WXK_ESCAPE: return VK_ESCAPE;
    case WXK_SPACE: return VK_SPACE;
    case WXK_LEFT: return VK_LEFT;
    case WXK_RIGHT: return VK_RIGHT;
    case WXK_UP: return VK_UP;
    case WXK_DOWN: return VK_DOWN;
    case WXK_DELETE: return VK_DELETE;
    case WXK_PAGEUP: return VK_PRIOR;
    case WXK_PAGEDOWN: return VK_NEXT;
    case WXK_NUMPAD_MULTIPLY: return VK_MULTIPLY;
    case WXK_NUMPAD_ADD: return VK_ADD;
    case WXK_NUMPAD_SUBTRACT: return VK_SUBTRACT;
    case WXK_NUMPAD_DECIMAL: return VK_DECIMAL;
    case WXK_NUMPAD_DIVIDE: return VK_DIVIDE;
    case '.': return VK_OEM_PERIOD;
    case ',': return VK_OEM_COMMA;
    case '-': return VK_OEM_MINUS;
    case '=': return VK_OEM_PLUS;
    default: return k >= WXK_F1 && k <= WXK_F12 ? VK_F1 + static_cast<UINT>(k - WXK_F1) : 0;
  }
}

wxString Label(const std::string& text) { return wxString::FromUTF8(text); }

// The modifiers that come with a key event, for the layer's key state.
void TakeModifiers(const wxKeyEvent& e) { SetModifierKeys(e.ControlDown(), e.ShiftDown(), e.AltDown()); }

class FramePeer;
FramePeer* FrameFor(WindowState* w);
// Takes where the window system shows a top-level window, unless it is an echo of the
// layer's own request (FramePeer::TakeReportedPlace).
void TakeReportedPlace(HWND top);

// Escape while the combo box that has the focus (or whose edit field has it) shows its list:
// the list closes, before the dialog sees the key.
bool CloseDroppedList(HWND focus) {
  WindowState* w = Sys().Find(focus);
  if (w && w->className == "EDIT" && w->IsChild()) {
    if (WindowState* parent = Sys().Find(w->parent); parent && parent->As<ComboBoxClass>()) w = parent;
  }
  auto* combo = w ? w->As<ComboBoxClass>() : nullptr;
  if (!combo || !combo->dropped) return false;
  Sys().Send(w->hwnd, CB_SHOWDROPDOWN, FALSE, 0);
  return true;
}

// An X server without a window manager keeps no topmost windows: when a window that has no
// owner and is not topmost is raised or shown, the topmost windows are raised over it again.
void KeepTopmostAbove(const WindowState& w);

// The topmost windows stand back while another program's window opens (see
// IWindowBackend::YieldTopmost): they are ordinary windows until the user turns to one of
// the program's windows again (presses in it, or the window manager gives one the keyboard
// after another program had it).
struct TopmostYield {
  bool yielded = false;
  bool left = false;       // the program's windows lost the keyboard since
  bool filtering = false;  // the presses are watched (TurnedToFilter)
};
TopmostYield& Yield() {
  static TopmostYield yield;
  return yield;
}
void YieldTopmostWindows();
void RestoreTopmostWindows();
void SyncDescendants(WindowState& w, unsigned changes);

// Paints a window and the descendants that the layer draws (and the combo boxes that
// paint themselves) on a surface; offset: the window's place on the surface.  Only the
// windows that reach into `dirty` (surface coordinates) are painted: the toolkit shows
// nothing of the surface outside it.
void PaintTree(HWND hwnd, CPoint offset, DcSurface& surface, bool isTop, const wxRect& dirty) {
  WindowState* w = Sys().Find(hwnd);
  if (!w || !w->Visible()) return;
  if (isTop || (w->cls && w->cls->DrawnByLayer(*w)) || w->className == "#32770" || IsSelfPaintedCombo(*w)) {
    if (dirty.Intersects(wxRect(offset.x, offset.y, w->rect.Width(), w->rect.Height()))) {
      SetPaintTarget(hwnd, PaintTarget{&surface, offset});
      w->eraseBackground = true;
      Sys().CallWindow(hwnd, WM_PAINT, 0, 0);
      ClearPaintTarget(hwnd);
    }
  } else {
    return;  // toolkit widgets draw themselves (and their insides)
  }
  w = Sys().Find(hwnd);
  if (!w) return;
  const std::vector<HWND> children = w->children;
  // Earlier controls lie on top, so they are painted last.
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    WindowState* c = Sys().Find(*it);
    if (c) PaintTree(*it, CPoint(offset.x + c->rect.left, offset.y + c->rect.top), surface, false, dirty);
  }
}

// The canvas of a top-level window: paints the window and its drawn-by-layer controls,
// and turns mouse and key events into the layer's messages.
class Canvas final : public wxWindow {
 public:
  Canvas(wxWindow* parent, HWND top) : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                                wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE | wxBORDER_NONE),
                                       m_top(top) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &Canvas::OnPaint, this);
    for (auto type : {wxEVT_LEFT_DOWN, wxEVT_LEFT_UP, wxEVT_LEFT_DCLICK, wxEVT_RIGHT_DOWN, wxEVT_RIGHT_UP, wxEVT_MOTION}) {
      Bind(type, &Canvas::OnMouse, this);
    }
    Bind(wxEVT_MOUSE_CAPTURE_LOST, [](wxMouseCaptureLostEvent&) { ::ReleaseCapture(); });

    Bind(wxEVT_KEY_DOWN, &Canvas::OnKey, this);
    Bind(wxEVT_KEY_UP, &Canvas::OnKey, this);
    Bind(wxEVT_CHAR, &Canvas::OnChar, this);
  }
  HWND m_top;
  bool placeUnread = false;  // shown, and not painted since
  wxGUIEventLoop* moveLoop = nullptr;
  wxPoint moveStart;
  CPoint moveOrigin;
  bool inLeftPress = false;  // a left press is being handled
  wxPoint pressAt;           // where it was, on the screen

 private:
  void OnPaint(wxPaintEvent&) {
    if (placeUnread) {
      // The first paint after the window was shown: the window manager has placed it.
      placeUnread = false;
      wxTheApp->CallAfter([top = m_top] { TakeReportedPlace(top); });
    }
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(wxBrush(ToColour(GetSysColor(COLOR_BTNFACE))));
    dc.Clear();
    DcSurface surface(dc);
    surface.SetVisibleBox(GetUpdateRegion().GetBox());
    PaintTree(m_top, CPoint(0, 0), surface, true, GetUpdateRegion().GetBox());
  }
  void OnMouse(wxMouseEvent& e) {
    WindowState* top = Sys().Find(m_top);
    if (!top) return;
    if (moveLoop) {
      const wxPoint now = wxGetMousePosition();
      ::SetWindowPos(m_top, nullptr, moveOrigin.x + now.x - moveStart.x, moveOrigin.y + now.y - moveStart.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER);
      // The release ends it (a motion without the button: a release it did not see).
      if (e.GetEventType() == wxEVT_LEFT_UP || (e.GetEventType() == wxEVT_MOTION && !e.LeftIsDown())) {
        moveLoop->ScheduleExit();
      }
      return;
    }
    const POINT screen{top->rect.left + e.GetX(), top->rect.top + e.GetY()};
    UINT msg = WM_MOUSEMOVE;
    const wxEventType t = e.GetEventType();
    if (t == wxEVT_LEFT_DOWN) msg = WM_LBUTTONDOWN;
    else if (t == wxEVT_LEFT_UP) msg = WM_LBUTTONUP;
    else if (t == wxEVT_LEFT_DCLICK) msg = WM_LBUTTONDBLCLK;
    else if (t == wxEVT_RIGHT_DOWN) msg = WM_RBUTTONDOWN;
    else if (t == wxEVT_RIGHT_UP) msg = WM_RBUTTONUP;
    UINT flags = (e.LeftIsDown() ? MK_LBUTTON : 0u) | (e.RightIsDown() ? MK_RBUTTON : 0u) |
                 (e.ShiftDown() ? MK_SHIFT : 0u) | (e.ControlDown() ? MK_CONTROL : 0u);
    if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN) SetFocus();
    // A move loop that the press starts (a drag of a captionless window by its body) moves
    // from where the press was, and follows the motions and the release queued behind it
    // even when the button is up by the time the loop starts.
    const bool leftPress = msg == WM_LBUTTONDOWN;
    if (leftPress) {
      pressAt = ClientToScreen(e.GetPosition());
      inLeftPress = true;
    }
    // The server showed the point on this window: it goes to this window's child there,
    // whatever the layer's own stacking says.
    RouteMouse(msg, screen, flags, m_top);
    if (leftPress) inLeftPress = false;
    if (!IsBeingDeleted()) {
      const HWND capture = ::GetCapture();
      if (capture && !HasCapture()) CaptureMouse();
      if (!capture && HasCapture()) ReleaseMouse();
    }
  }
  HWND KeyTarget() const {
    HWND focus = ::GetFocus();
    WindowState* f = Sys().Find(focus);
    return f && TopOf(f) && TopOf(f)->hwnd == m_top ? focus : m_top;
  }
  void OnKey(wxKeyEvent& e) {
    const UINT vk = KeyToVk(e);
    if (!vk) return e.Skip();
    TakeModifiers(e);
    if (vk == VK_ESCAPE && e.GetEventType() == wxEVT_KEY_DOWN && CloseDroppedList(KeyTarget())) return;
    DeliverInput(KeyTarget(), e.GetEventType() == wxEVT_KEY_DOWN ? WM_KEYDOWN : WM_KEYUP, vk, 1);
    e.Skip();  // the character event follows
  }
  void OnChar(wxKeyEvent& e) {
    const int ch = e.GetKeyCode();
    TakeModifiers(e);
    if (ch >= 0x08 && ch < 0x7F) DeliverInput(KeyTarget(), WM_CHAR, static_cast<WPARAM>(ch), 1);
  }
};

class FramePeer final : public IWindowPeer {
 public:
  explicit FramePeer(WindowState& w) : m_hwnd(w.hwnd) {
    long style = wxFRAME_SHAPED | wxCLIP_CHILDREN;
    style |= (w.style & WS_CAPTION) == WS_CAPTION ? (wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) : wxBORDER_NONE;
    if (!(w.exStyle & WS_EX_APPWINDOW) && w.owner) style |= wxFRAME_NO_TASKBAR;
    if (w.exStyle & WS_EX_TOOLWINDOW) style |= wxFRAME_TOOL_WINDOW;
    if (w.Topmost()) style |= wxSTAY_ON_TOP;
    WindowState* owner = Sys().Find(w.owner);
    FramePeer* ownerPeer = owner ? FrameFor(owner) : nullptr;
    // An owned window stays above its owner (the window manager is told whose it is), even
    // when the owner is a topmost window.
    if (ownerPeer) style |= wxFRAME_FLOAT_ON_PARENT;
    frame = new wxFrame(ownerPeer ? ownerPeer->frame : nullptr, wxID_ANY, Label(w.text),
                        wxPoint(w.rect.left, w.rect.top), wxSize(w.rect.Width(), w.rect.Height()), style);
    // Nothing erases the frame's background but the theme: no device context is made for
    // an erase at every paint (one made looks the theme's font and colours up).
    frame->SetBackgroundStyle(wxBG_STYLE_SYSTEM);
    canvas = new Canvas(frame, w.hwnd);
    Place(w);
    // Where the window system shows the frame: a window manager may put it elsewhere than
    // asked, and the user may drag it by its frame.
    // The frame goes some time after its window (Destroy), and may still report then.
    auto reported = [hwnd = w.hwnd, f = frame](wxEvent& e) {
      e.Skip();
      if (FramePeer* peer = FrameFor(Sys().Find(hwnd)); peer && peer->frame == f) peer->TakeReportedPlace();
    };
    frame->Bind(wxEVT_MOVE, reported);
    frame->Bind(wxEVT_SIZE, reported);
    frame->Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& e) {
      if (e.CanVeto()) e.Veto();
      Sys().CallWindow(m_hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    frame->Bind(wxEVT_ACTIVATE, [](wxActivateEvent& e) {
      e.Skip();
      if (!Yield().yielded) return;
      if (!e.GetActive()) {
        Yield().left = true;
      } else if (Yield().left) {
        RestoreTopmostWindows();
      }
    });
    // Alt+F4 closes the window as its close box does; a window manager takes the key
    // itself, so it arrives here only on a screen without one.
    frame->Bind(wxEVT_CHAR_HOOK, [this](wxKeyEvent& e) {
      if (e.GetKeyCode() != WXK_F4 || e.GetModifiers() != wxMOD_ALT) return e.Skip();
      if (::IsWindowEnabled(m_hwnd)) Sys().Post(m_hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    // Minimised and restored by the window manager (the task bar, a key): the window's own
    // state follows, so that it paints its face again, not its icon.
    frame->Bind(wxEVT_ICONIZE, [this](wxIconizeEvent& e) {
      e.Skip();
      WindowState* s = Sys().Find(m_hwnd);
      if (!s || s->minimized == e.IsIconized()) return;
      s->minimized = e.IsIconized();
      Sys().CallWindow(m_hwnd, WM_SIZE, s->minimized ? kSizeMinimized : kSizeRestored,
                       MAKELPARAM(static_cast<WORD>(s->rect.Width()), static_cast<WORD>(s->rect.Height())));
      canvas->Refresh();
    });
  }
  ~FramePeer() override {
    canvas->m_top = nullptr;
    frame->Destroy();
  }
  void Sync(WindowState& w, unsigned changes) override {
    if (changes & kChangeText) frame->SetTitle(Label(w.text));
    if (changes & kChangeRect) Place(w);
    if (changes & kChangeRegion) {
      wxRegion region;
      if (w.region) {
        for (const CRect& r : win::RegionRectangles(*w.region, w.rect.Size())) {
          region.Union(r.left, r.top, r.Width(), r.Height());
        }
      } else {
        region = wxRegion(0, 0, w.rect.Width(), w.rect.Height());
      }
      frame->SetShape(region);
    }
    if (changes & kChangeZOrder) {
      const long style = frame->GetWindowStyleFlag();
      const bool above = w.Topmost() && !Yield().yielded;
      frame->SetWindowStyleFlag(above ? (style | wxSTAY_ON_TOP) : (style & ~wxSTAY_ON_TOP));
      frame->Raise();
      KeepTopmostAbove(w);
    }
    if (changes & kChangeIcon) {
      if (auto icon = GdiGetAs<IconData>(w.iconBig ? w.iconBig : w.iconSmall); icon && icon->image) {
        wxIcon i;
        i.CopyFromBitmap(ToBitmap(icon->image));
        frame->SetIcon(i);
      }
    }
    if (changes & kChangeEnabled) frame->Enable(w.Enabled());
    if (changes & kChangeVisible) {
      if (w.Visible() && w.minimized) {
        frame->Show();
        frame->Iconize(true);
      } else {
        if (frame->IsIconized() && !w.minimized) frame->Iconize(false);
        if (w.Visible() && !frame->IsShown()) canvas->placeUnread = true;
        frame->Show(w.Visible());
        if (w.Visible()) {
          Place(w);
          KeepTopmostAbove(w);
          if (w.owner) frame->Raise();
        }
      }
    }
    if (changes & kChangeFocus) {
      frame->Raise();
      canvas->SetFocus();
    }
    if (changes & (kChangeRect | kChangeVisible)) {
      canvas->Refresh();
      SyncDescendants(w, kChangeVisible);
    }
  }
  void Invalidate(const RECT* rect) override {
    if (rect) {
      canvas->RefreshRect(wxRect(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top), false);
    } else {
      canvas->Refresh(false);
    }
  }
  // The window's rectangle is its client area: there is no frame of the layer's own.  A
  // window manager's frame around it (its title bar) lies outside, so the request is for the
  // frame's place that puts the client area where the rectangle says.
  void Place(WindowState& w) {
    m_requests.Asked(w.rect.TopLeft());
    m_placing = true;
    const auto& decoration = frame->m_decorSize;
    frame->SetSize(w.rect.left - decoration.left, w.rect.top - decoration.top, w.rect.Width(), w.rect.Height());
    frame->SetClientSize(w.rect.Width(), w.rect.Height());
    canvas->SetSize(0, 0, w.rect.Width(), w.rect.Height());
    m_placing = false;
  }
  // The frame was moved, sized or shown: where the window system shows the client area now
  // (asked of the X server) is taken into the window's rectangle unless it is the echo of a
  // request.  The size stays the layer's: the user cannot size these frames.
  void TakeReportedPlace() {
    if (m_placing || !frame->IsShown() || frame->IsIconized() || !canvas->GTKGetDrawingWindow()) return;
    const wxPoint shown = canvas->GetScreenPosition();
    const std::optional<CPoint> taken = m_requests.Reported(CPoint(shown.x, shown.y));
    WindowState* w = Sys().Find(m_hwnd);
    if (taken && w) TakeSystemPlacement(m_hwnd, CRect(*taken, w->rect.Size()));
  }
  HWND m_hwnd;
  wxFrame* frame;
  Canvas* canvas;
  PlacementRequests m_requests;
  bool m_placing = false;  // the frame is being placed as asked: its own events are echoes
};

FramePeer* FrameFor(WindowState* w) {
  WindowState* top = TopOf(w);
  return top ? dynamic_cast<FramePeer*>(top->peer.get()) : nullptr;
}

// Repaints a drawn window's client area (or `rect` of it) on its top-level's canvas.
void RefreshOnCanvas(FramePeer& frame, WindowState& w, const RECT* rect) {
  const CPoint at = OffsetInTop(&w);
  wxRect area(at.x, at.y, w.rect.Width(), w.rect.Height());
  if (rect) area.Intersect(wxRect(at.x + rect->left, at.y + rect->top, rect->right - rect->left, rect->bottom - rect->top));
  if (!area.IsEmpty()) frame.canvas->RefreshRect(area, false);
}

void TakeReportedPlace(HWND top) {
  WindowState* w = Sys().Find(top);
  if (FramePeer* peer = w && !w->IsChild() ? FrameFor(w) : nullptr) peer->TakeReportedPlace();
}

void KeepTopmostAbove(const WindowState& w) {
  if (w.Topmost() || w.owner || Yield().yielded) return;
  auto raise = [] {
    for (HWND h : Sys().TopLevelWindows()) {
      WindowState* other = Sys().Find(h);
      if (!other || !other->Topmost() || !other->Visible()) continue;
      if (FramePeer* peer = dynamic_cast<FramePeer*>(other->peer.get())) peer->frame->Raise();
    }
  };
  raise();
  // The toolkit may show the window to the server only later: once more when it has.
  if (wxTheApp) wxTheApp->CallAfter(raise);
}

// The topmost frames shown now, with their windows' state.
template <class F>
void ForTopmostFrames(F&& f) {
  for (HWND h : Sys().TopLevelWindows()) {
    WindowState* w = Sys().Find(h);
    if (!w || !w->Topmost()) continue;
    if (FramePeer* peer = dynamic_cast<FramePeer*>(w->peer.get())) f(*peer->frame);
  }
}

// While the topmost windows stand back, a press on any window of the program is the user
// turning to it.
class TurnedToFilter final : public wxEventFilter {
 public:
  int FilterEvent(wxEvent& e) override {
    const wxEventType t = e.GetEventType();
    // Before the press does anything: a press that hands something to a program again
    // makes them stand back again.
    if (t == wxEVT_LEFT_DOWN || t == wxEVT_RIGHT_DOWN || t == wxEVT_MIDDLE_DOWN) RestoreTopmostWindows();
    return Event_Skip;
  }
};
TurnedToFilter& TurnedTo() {
  static auto* filter = new TurnedToFilter();
  return *filter;
}

void YieldTopmostWindows() {
  if (!Yield().yielded && !Yield().filtering) wxEvtHandler::AddFilter(&TurnedTo());
  Yield() = TopmostYield{true, false, true};
  ForTopmostFrames([](wxFrame& frame) { frame.SetWindowStyleFlag(frame.GetWindowStyleFlag() & ~wxSTAY_ON_TOP); });
  // The window manager learns it before the other program's window asks to be shown.
  gdk_display_flush(gdk_display_get_default());
}

void RestoreTopmostWindows() {
  if (!Yield().yielded) return;
  Yield().yielded = Yield().left = false;
  // The filter goes once the event it may be looking at is done (the toolkit walks its
  // filters then).
  if (wxTheApp) {
    wxTheApp->CallAfter([] {
      if (Yield().yielded || !Yield().filtering) return;
      wxEvtHandler::RemoveFilter(&TurnedTo());
      Yield().filtering = false;
    });
  }
  ForTopmostFrames([](wxFrame& frame) {
    frame.SetWindowStyleFlag(frame.GetWindowStyleFlag() | wxSTAY_ON_TOP);
    if (frame.IsShown()) frame.Raise();
  });
}

void SyncDescendants(WindowState& w, unsigned changes) {
  for (HWND c : w.children) {
    if (WindowState* cw = Sys().Find(c)) {
      if (cw->peer) {
        cw->peer->Sync(*cw, changes);
      } else {
        SyncDescendants(*cw, changes);
      }
    }
  }
}

// A control the layer draws: repaints go to the canvas.
class DrawnPeer final : public IWindowPeer {
 public:
  explicit DrawnPeer(WindowState& w) : m_hwnd(w.hwnd) {}
  void Sync(WindowState& w, unsigned changes) override {
    if (FramePeer* f = FrameFor(&w)) {
      // A window moved, resized, shown or hidden also changes what lay under it before.
      if (changes & (kChangeRect | kChangeVisible)) {
        f->canvas->Refresh(false);
      } else {
        RefreshOnCanvas(*f, w, nullptr);
      }
    }
    if (changes & (kChangeRect | kChangeVisible)) SyncDescendants(w, changes & (kChangeRect | kChangeVisible));
  }
  void Invalidate(const RECT* rect) override {
    WindowState* w = Sys().Find(m_hwnd);
    if (FramePeer* f = FrameFor(w)) RefreshOnCanvas(*f, *w, rect);
  }

 private:
  HWND m_hwnd;
};

// A check box or radio button as small as the dialog templates make them (8 to 10 dialog
// units, 13 to 16 pixels): without the theme's padding round it, and with an indicator no
// taller than the control, the toolkit never measures it smaller than its own minimum.
template <class Base>
class CompactChoice final : public Base {
 public:
  template <class... Args>
  explicit CompactChoice(Args&&... args) : Base(std::forward<Args>(args)...) {}
  void FitHeight(int height) {
    const int indicator = std::clamp(height, 8, kThemeIndicator);
    if (indicator == m_indicator) return;
    m_indicator = indicator;
    const std::string css = "checkbutton, radiobutton { padding: 0; margin: 0; min-height: 0; } check, radio { "
                            "min-width: " + std::to_string(indicator) + "px; min-height: " +
                            std::to_string(indicator) + "px; margin-top: 0; margin-bottom: 0; }";
    this->GTKApplyCssStyle(css.c_str());
  }

 private:
  static constexpr int kThemeIndicator = 14;
  int m_indicator = 0;
};
using CompactCheckBox = CompactChoice<wxCheckBox>;
using CompactRadioButton = CompactChoice<wxRadioButton>;

void FitChoiceHeight(wxWindow* widget, int height) {
  if (auto* check = dynamic_cast<CompactCheckBox*>(widget)) check->FitHeight(height);
  if (auto* radio = dynamic_cast<CompactRadioButton*>(widget)) radio->FitHeight(height);
}

// A control shown by a toolkit widget on the canvas.
class NativePeer final : public IWindowPeer {
 public:
  NativePeer(WindowState& w, Canvas* canvas) : m_hwnd(w.hwnd) {
    const CPoint at = OffsetInTop(&w);
    const wxPoint pos(at.x, at.y);
    const wxSize size(w.rect.Width(), w.rect.Height());
    const DWORD type = w.style & BS_TYPEMASK;
    if (w.className == "BUTTON" && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE)) {
      widget = new CompactCheckBox(canvas, wxID_ANY, Label(w.text), pos, size);
      widget->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { Click(); });
    } else if (w.className == "BUTTON" && (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON)) {
      // The toolkit shows a radio button that is alone in its group as selected whatever it
      // is told, and the groups are the layer's (the runs that WS_GROUP starts in the
      // dialog's template, each check set by the layer): every radio button gets a hidden
      // partner in a toolkit group of two, selected while the radio button is not.
      m_radioOff = new wxRadioButton(canvas, wxID_ANY, "", pos, size, wxRB_GROUP);
      m_radioOff->Hide();
      widget = new CompactRadioButton(canvas, wxID_ANY, Label(w.text), pos, size);  // joins the partner's group
      widget->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) { Click(); });
    } else if (w.className == "BUTTON") {
      widget = new wxButton(canvas, wxID_ANY, Label(w.text), pos, size);
      widget->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Click(); });
    } else if (w.className == "EDIT") {
      long style = wxBORDER_SIMPLE;
      if (w.style & ES_MULTILINE) style |= wxTE_MULTILINE;
      if (w.style & ES_PASSWORD) style |= wxTE_PASSWORD;
      if (w.style & ES_READONLY) style |= wxTE_READONLY;
      if (w.style & ES_MULTILINE) style |= wxTE_PROCESS_ENTER;
      auto* text = new wxTextCtrl(canvas, wxID_ANY, Label(w.text), pos, size, style);
      widget = text;
      text->Bind(wxEVT_TEXT, [this](wxCommandEvent& e) {
        if (m_syncing) return;
        if (WindowState* s = Sys().Find(m_hwnd)) {
          if (auto* edit = s->As<EditClass>()) {
            edit->UserSetText(*s, std::string(e.GetString().utf8_str()));
            if (!(s->style & ES_MULTILINE)) LimitTyping(*static_cast<wxTextCtrl*>(widget), edit->limit);
          }
        }
      });
      if (w.style & ES_MULTILINE) {
        // A view scrolled to its end before the toolkit knew its size and the height of
        // its lines (it measures them bit by bit while idle, and a window manager sizes the
        // window after it is shown) is scrolled there again until it stays there.
        text->Bind(wxEVT_SIZE, [this](wxSizeEvent& e) {
          e.Skip();
          if (m_scrolledToEnd) m_endScrollTries = kEndScrollTries;
        });
        text->Bind(wxEVT_IDLE, [this, text](wxIdleEvent& e) {
          e.Skip();
          if (!m_scrolledToEnd || m_endScrollTries <= 0 || !text->IsShownOnScreen()) return;
          --m_endScrollTries;
          const int range = text->GetScrollRange(wxVERTICAL);
          text->ShowPosition(text->GetLastPosition());
          if (range == m_endScrollRange && m_endScrollTries < kEndScrollTries - 2) {
            m_endScrollTries = 0;  // the lines are measured: the end stays in view
          } else {
            e.RequestMore();
          }
          m_endScrollRange = range;
        });
      }
    } else if (w.className == "COMBOBOX" && (w.style & 0x3) == CBS_DROPDOWNLIST) {
      auto* choice = new wxChoice(canvas, wxID_ANY, pos, wxSize(size.x, -1));
      widget = choice;
      choice->Bind(wxEVT_CHOICE, [this](wxCommandEvent& e) { Select(e.GetSelection()); });
    } else if (w.className == "COMBOBOX") {
      // The window's height includes the drop-down list; the widget takes its own.
      auto* combo = new wxComboBox(canvas, wxID_ANY, "", pos, wxSize(size.x, -1), 0, nullptr, wxCB_DROPDOWN);
      widget = combo;
      combo->Bind(wxEVT_COMBOBOX, [this](wxCommandEvent& e) { Select(e.GetSelection()); });
      combo->Bind(wxEVT_TEXT, [this](wxCommandEvent& e) {
        if (m_syncing) return;
        WindowState* s = Sys().Find(m_hwnd);
        auto* c = s ? s->As<ComboBoxClass>() : nullptr;
        WindowState* edit = c ? Sys().Find(c->edit) : nullptr;
        if (edit) edit->As<EditClass>()->UserSetText(*edit, std::string(e.GetString().utf8_str()));
      });
    } else if (w.className == "LISTBOX") {
      widget = new wxListBox(canvas, wxID_ANY, pos, size);
      widget->Bind(wxEVT_LISTBOX, [this](wxCommandEvent& e) {
        if (m_syncing) return;
        if (WindowState* s = Sys().Find(m_hwnd)) s->As<ListBoxClass>()->UserSelect(*s, e.GetSelection());
      });
    } else if (w.className == "SysListView32") {
      auto* list = new wxListCtrl(canvas, wxID_ANY, pos, size, wxLC_REPORT | wxLC_SINGLE_SEL | wxBORDER_SIMPLE);
      widget = list;
      auto row = [this](wxListEvent& e, UINT code) {
        if (m_syncing) return;
        if (WindowState* s = Sys().Find(m_hwnd)) {
          s->As<ListViewClass>()->UserClick(*s, static_cast<int>(e.GetIndex()), code, CPoint(e.GetPoint().x, e.GetPoint().y));
        }
      };
      list->Bind(wxEVT_LIST_ITEM_SELECTED, [row](wxListEvent& e) { row(e, NM_CLICK); });
      list->Bind(wxEVT_LIST_ITEM_ACTIVATED, [row](wxListEvent& e) { row(e, NM_DBLCLK); });
      list->Bind(wxEVT_LIST_ITEM_RIGHT_CLICK, [row](wxListEvent& e) { row(e, NM_RCLICK); });
    } else if (w.className == "msctls_trackbar32") {
      auto* slider = new wxSlider(canvas, wxID_ANY, 0, 0, 100, pos, size, wxSL_HORIZONTAL);
      widget = slider;
      auto moved = [this, slider](bool released) {
        if (m_syncing) return;
        if (WindowState* s = Sys().Find(m_hwnd)) s->As<TrackbarClass>()->UserMove(*s, slider->GetValue(), released);
      };
      slider->Bind(wxEVT_SCROLL_THUMBTRACK, [moved](wxScrollEvent&) { moved(false); });
      slider->Bind(wxEVT_SCROLL_CHANGED, [moved](wxScrollEvent&) { moved(false); });
      slider->Bind(wxEVT_SCROLL_THUMBRELEASE, [moved](wxScrollEvent&) { moved(true); });
    } else {
      widget = new wxGauge(canvas, wxID_ANY, 100, pos, size);
    }
    widget->Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& e) {
      WindowState* s = Sys().Find(m_hwnd);
      auto* c = s ? s->As<ComboBoxClass>() : nullptr;
      const HWND target = c && c->edit ? c->edit : m_hwnd;
      if (::GetFocus() != target) {
        m_syncing = true;
        ::SetFocus(target);
        m_syncing = false;
      }
      e.Skip();
    });
    widget->Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& e) {
      WindowState* s = Sys().Find(m_hwnd);
      auto* c = s ? s->As<ComboBoxClass>() : nullptr;
      MSG m;
      m.hwnd = c && c->edit ? c->edit : m_hwnd;
      m.message = WM_KEYDOWN;
      m.wParam = KeyToVk(e);
      m.lParam = 1;
      TakeModifiers(e);
      if (m.wParam && CWnd::WalkPreTranslateTree(m)) return;  // consumed
      e.Skip();
    });
    Sync(w, ~0u);
  }
  ~NativePeer() override {
    widget->Destroy();
    if (m_radioOff) m_radioOff->Destroy();
  }

  void Sync(WindowState& w, unsigned changes) override {
    m_syncing = true;
    if (changes & (kChangeRect | kChangeVisible)) {
      const CPoint at = OffsetInTop(&w);
      widget->SetPosition(wxPoint(at.x, at.y));
      if (dynamic_cast<wxSlider*>(widget)) {
        // A toolkit slider draws nothing when lower than it wants to be: it gets that
        // height, centred on the control's place.
        const int height = std::max(w.rect.Height(), widget->GetBestSize().y);
        widget->SetPosition(wxPoint(at.x, at.y - (height - w.rect.Height()) / 2));
        widget->SetSize(w.rect.Width(), height);
      } else if (!dynamic_cast<wxChoice*>(widget) && !dynamic_cast<wxComboBox*>(widget)) {
        FitChoiceHeight(widget, w.rect.Height());
        widget->SetSize(w.rect.Width(), w.rect.Height());
      } else {
        widget->SetSize(w.rect.Width(), -1);
      }
      widget->Show(::IsWindowVisible(w.hwnd) != FALSE);
    }
    if (changes & kChangeEnabled) widget->Enable(w.Enabled());
    if (changes & kChangeFont) widget->SetFont(ToFont(GdiGetAs<FontData>(w.font).get()));
    if (changes & (kChangeText | kChangeContent | kChangeStyle)) SyncContent(w);
    if ((changes & kChangeFocus) && ::GetFocus() == w.hwnd && !widget->HasFocus()) widget->SetFocus();
    if (changes & (kChangeFont | kChangeStyle)) SyncColours(w);
    m_syncing = false;
  }
  void Invalidate(const RECT*) override { widget->Refresh(); }
  wxWindow* Widget() const { return widget; }

 private:
  void Click() {
    if (m_syncing) return;
    Sys().Send(m_hwnd, BM_CLICK, 0, 0);
    if (WindowState* s = Sys().Find(m_hwnd)) Sync(*s, kChangeContent);
  }
  void Select(int index) {
    if (m_syncing) return;
    if (WindowState* s = Sys().Find(m_hwnd)) s->As<ComboBoxClass>()->UserSelect(*s, index);
  }
  // Colours come from the parent's WM_CTLCOLOR* answer, as the system's controls take them.
  void SyncColours(WindowState& w) {
    if (!w.IsChild() || !w.cls) return;
    const UINT msg = w.cls->CtlColorMessage();
    if (msg != WM_CTLCOLOREDIT) return;
    CDC dc;
    auto* c = w.As<ComboBoxClass>();
    const HWND asking = c && c->edit ? c->edit : w.hwnd;
    HWND parent = c && c->edit ? w.hwnd : w.parent;
    const LRESULT brush = Sys().CallWindow(parent, msg, reinterpret_cast<WPARAM>(dc.m_hDC), reinterpret_cast<LPARAM>(asking));
    auto data = GdiGetAs<BrushData>(reinterpret_cast<HBRUSH>(brush));
    if (data && data->kind == BrushData::Kind::kSolid) widget->SetBackgroundColour(ToColour(data->color));
    widget->SetForegroundColour(ToColour(dc.GetTextColor()));
  }
  void SyncContent(WindowState& w) {
    if (auto* b = w.As<ButtonClass>()) {
      if (auto* check = dynamic_cast<wxCheckBox*>(widget)) check->SetValue(b->check == BST_CHECKED);
      if (auto* radio = dynamic_cast<wxRadioButton*>(widget)) {
        if (b->check == BST_CHECKED) {
          radio->SetValue(true);
        } else if (m_radioOff) {
          m_radioOff->SetValue(true);
        }
      }
      widget->SetLabel(Label(w.text));
    } else if (auto* e = w.As<EditClass>()) {
      auto* text = static_cast<wxTextCtrl*>(widget);
      // The limit holds back typing only: a longer text set by the program is shown whole
      // (the toolkit would refuse all of it), and typing cannot make it longer still.
      const bool limited = !(w.style & ES_MULTILINE);
      if (std::string(text->GetValue().utf8_str()) != w.text) {
        if (limited) text->SetMaxLength(0);
        text->ChangeValue(Label(w.text));
      }
      if (limited) LimitTyping(*text, e->limit);
      text->SetEditable(!(w.style & ES_READONLY));
      m_scrolledToEnd = (w.style & ES_MULTILINE) && e->firstVisibleLine > 0;
      if (m_scrolledToEnd) {
        text->ShowPosition(text->GetLastPosition());
        m_endScrollTries = kEndScrollTries;
        m_endScrollRange = -1;
      }
    } else if (auto* c = w.As<ComboBoxClass>()) {
      auto* items = dynamic_cast<wxItemContainer*>(widget);
      wxArrayString list;
      for (const auto& s : c->list.items) list.Add(Label(s));
      if (items->GetStrings() != list) items->Set(list);
      // The toolkit's combo box is a kind of its choice control, so it is asked first. It
      // shows its edit's text; while that is the selected entry's, the entry is selected
      // there too, so that its list opens on it.
      if (auto* combo = dynamic_cast<wxComboBox*>(widget)) {
        WindowState* edit = Sys().Find(c->edit);
        const std::string text = edit ? edit->text : std::string();
        const int sel = c->list.cursel;
        if (sel >= 0 && static_cast<size_t>(sel) < c->list.items.size() && c->list.items[static_cast<size_t>(sel)] == text) {
          if (combo->GetSelection() != sel) combo->SetSelection(sel);
        } else if (combo->GetValue() != Label(text)) {
          combo->ChangeValue(Label(text));
        }
      } else if (auto* choice = dynamic_cast<wxChoice*>(widget)) {
        choice->SetSelection(c->list.cursel);
      }
    } else if (auto* l = w.As<ListBoxClass>()) {
      auto* box = static_cast<wxListBox*>(widget);
      wxArrayString list;
      for (const auto& s : l->list.items) list.Add(Label(s));
      if (box->GetStrings() != list) box->Set(list);
      if (l->list.cursel >= 0) box->SetSelection(l->list.cursel);
    } else if (auto* v = w.As<ListViewClass>()) {
      m_listView.Sync(*static_cast<wxListCtrl*>(widget), *v);
    } else if (auto* t = w.As<TrackbarClass>()) {
      auto* slider = static_cast<wxSlider*>(widget);
      slider->SetRange(t->minimum, t->maximum);
      slider->SetValue(t->position);
    } else if (auto* p = w.As<ProgressClass>()) {
      auto* gauge = static_cast<wxGauge*>(widget);
      gauge->SetRange(std::max(1, p->maximum - p->minimum));
      gauge->SetValue(std::clamp(p->position - p->minimum, 0, p->maximum - p->minimum));
    }
  }
  // An edit's limit as the toolkit keeps it: what the edit may hold, or what it holds
  // already when that is more.
  static void LimitTyping(wxTextCtrl& text, size_t limit) {
    const size_t held = text.GetValue().length();
    text.SetMaxLength(static_cast<unsigned long>(std::min<size_t>(std::max(limit, held), 0x7FFFFFFF)));
  }
  HWND m_hwnd;
  wxWindow* widget = nullptr;
  wxRadioButton* m_radioOff = nullptr;  // a radio button's hidden partner (see the constructor)
  ListViewMirror m_listView;            // what a list view's control shows
  bool m_syncing = false;
  bool m_scrolledToEnd = false;  // a multi-line edit's view is kept at its end
  static constexpr int kEndScrollTries = 200;
  int m_endScrollTries = 0;      // idle turns left to settle the view at its end
  int m_endScrollRange = -1;     // the scroll range at the last of them
};

// A drop-down combo box: a toolkit combo box, or the skin's field once the box's object
// paints itself (the object is attached after the window is made, so the choice is made
// again whenever the window's look may have changed).
class ComboPeer final : public IWindowPeer {
 public:
  ComboPeer(WindowState& w, Canvas* canvas) : m_canvas(canvas) { Choose(w); }
  void Sync(WindowState& w, unsigned changes) override {
    if (Choose(w)) return;
    m_inner->Sync(w, changes);
  }
  void Invalidate(const RECT* r) override {
    if (m_inner) m_inner->Invalidate(r);
  }

 private:
  // Makes the peer of the right kind; true when it was made now (and is in step) or is not
  // made yet.  A combo box of a template that no window object has taken and that is not
  // shown waits for either: the dialog takes it before it shows, and one that then paints
  // itself would otherwise be made as the toolkit's combo box first.
  bool Choose(WindowState& w) {
    if (!m_inner && !w.wnd && !::IsWindowVisible(w.hwnd)) return true;
    const bool skin = IsSelfPaintedCombo(w);
    if (m_inner && skin == m_skin) return false;
    m_inner.reset();
    m_skin = skin;
    if (skin) {
      SkinComboHooks hooks;
      hooks.offsetInTop = [](WindowState& s) { return OffsetInTop(&s); };
      hooks.paintBeneath = [](HWND top, wxDC& dc, CPoint origin) {
        DcSurface surface(dc);
        PaintTree(top, CPoint(-origin.x, -origin.y), surface, true, wxRect(wxPoint(0, 0), dc.GetSize()));
      };
      hooks.keyToVk = [](const wxKeyEvent& e) { return KeyToVk(e); };
      m_inner = MakeSelfPaintedComboPeer(w, m_canvas, m_canvas->m_top, std::move(hooks));
    } else {
      m_inner = std::make_unique<NativePeer>(w, m_canvas);
    }
    return true;
  }
  Canvas* m_canvas;
  bool m_skin = false;
  std::unique_ptr<IWindowPeer> m_inner;
};

class Loop final : public ILoopDriver {
 public:
  Loop() { m_timer.Bind(wxEVT_TIMER, [](wxTimerEvent&) { Sys().Pump(); }); }
  void Run() override {
    // A modal loop started from a click (a button's handler runs on the button's release)
    // must not leave the toolkit's mouse grab with the window clicked: the layer has let go
    // of its capture already, and the grab would keep every click from the new dialog.
    if (wxWindow* grabbing = wxWindow::GetCapture(); grabbing && !::GetCapture()) grabbing->ReleaseMouse();
    wxGUIEventLoop loop;
    m_loops.push_back(&loop);
    loop.Run();
    m_loops.pop_back();
  }
  void ExitLevel() override {
    if (!m_loops.empty()) m_loops.back()->ScheduleExit(0);
  }
  void Wake() override {
    if (m_wakePending.exchange(true)) return;
    wxTheApp->CallAfter([this] {
      m_wakePending = false;
      Sys().Pump();
    });
  }
  void ArmTimer(std::optional<std::int64_t> delayMs) override {
    if (!delayMs) {
      m_timer.Stop();
    } else {
      m_timer.StartOnce(static_cast<int>(std::max<std::int64_t>(1, *delayMs)));
    }
  }
  bool PaintsInLoop() const override { return false; }

 private:
  std::vector<wxGUIEventLoop*> m_loops;
  std::atomic<bool> m_wakePending{false};
  wxTimer m_timer;
};

class Backend final : public IWindowBackend {
 public:
  std::unique_ptr<IWindowPeer> CreatePeer(WindowState& w) override {
    if (w.internal) return nullptr;
    if (w.className == "tooltips_class32") {
      return MakeTooltipPeer(w, [](HWND owner) -> wxWindow* {
        FramePeer* f = FrameFor(Sys().Find(owner));
        return f ? static_cast<wxWindow*>(f->canvas) : nullptr;
      });
    }
    if (!w.IsChild()) return std::make_unique<FramePeer>(w);
    WindowState* parent = Sys().Find(w.parent);
    if (parent && parent->className == "COMBOBOX") return nullptr;  // drawn by the combo box's widget
    FramePeer* frame = FrameFor(&w);
    if (!frame) return nullptr;
    if (w.className == kHtmlViewClass) return MakeWebViewPeer(w, frame->canvas);
    if (w.className == "#32770" || (w.cls && w.cls->DrawnByLayer(w))) return std::make_unique<DrawnPeer>(w);
    if (w.className == "COMBOBOX" && (w.style & 0x3) == CBS_DROPDOWN) return std::make_unique<ComboPeer>(w, frame->canvas);
    static const char* const natives[] = {"BUTTON", "EDIT", "COMBOBOX", "LISTBOX", "SysListView32",
                                          "msctls_trackbar32", "msctls_progress32"};
    for (const char* n : natives) {
      if (w.className == n) return std::make_unique<NativePeer>(w, frame->canvas);
    }
    return std::make_unique<DrawnPeer>(w);
  }
  std::optional<CSize> TextExtent(const std::string& text, const FontData& font) const override {
    wxBitmap canvas(1, 1);
    wxMemoryDC dc(canvas);
    DcSurface surface(dc);
    return surface.TextExtent(text, font);
  }
  void YieldTopmost() override { YieldTopmostWindows(); }
  CSize ScreenSize() const override {
    const wxSize s = wxGetDisplaySize();
    return CSize(s.x, s.y);
  }
  CPoint CursorPos() const override {
    const wxPoint p = wxGetMousePosition();
    return CPoint(p.x, p.y);
  }
  void SetCursor(HCURSOR cursor) override {
    // The cursor shows over the window under the pointer; with none there (as while the
    // main window is being built) no cursor is made, which costs a read of the theme's.
    wxWindow* under = wxFindWindowAtPoint(wxGetMousePosition());
    if (!under) return;
    auto icon = GdiGetAs<IconData>(cursor);
    wxCursor c(wxCURSOR_ARROW);
    if (icon && icon->systemId == 32649) c = wxCursor(wxCURSOR_HAND);
    if (icon && icon->systemId == 32514) c = wxCursor(wxCURSOR_WAIT);
    if (icon && icon->systemId == 32513) c = wxCursor(wxCURSOR_IBEAM);
    if (icon && icon->image) {
      wxImage image = ToBitmap(icon->image).ConvertToImage();
      image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_X, icon->hotSpot.x);
      image.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_Y, icon->hotSpot.y);
      c = wxCursor(image);
    }
    under->SetCursor(c);
  }
  UINT TrackPopupMenu(const MenuData& menu, CPoint screen, HWND owner) override {
    FramePeer* frame = FrameFor(Sys().Find(owner));
    if (!frame) return 0;
    // The toolkit takes item ids below 0x7fff only; the menu's own command ids (32775 and
    // up are common) are numbered afresh here and mapped back on the choice.
    std::vector<UINT> commands;
    std::function<wxMenu*(const MenuData&)> build = [&](const MenuData& m) {
      auto* out = new wxMenu();
      for (const MenuItem& item : m.items) {
        if (item.flags & MF_SEPARATOR) {
          out->AppendSeparator();
        } else if (item.popup) {
          out->AppendSubMenu(build(*item.popup), Label(item.text));
        } else {
          commands.push_back(item.id);
          wxMenuItem* mi = out->Append(kFirstMenuItemId + static_cast<int>(commands.size()) - 1, Label(item.text));
          mi->Enable(!(item.flags & (MF_GRAYED | MF_DISABLED)));
        }
      }
      return out;
    };
    std::unique_ptr<wxMenu> m(build(menu));
    UINT chosen = 0;
    auto pick = [&](wxCommandEvent& e) {
      const int index = e.GetId() - kFirstMenuItemId;
      if (index >= 0 && index < static_cast<int>(commands.size())) chosen = commands[static_cast<size_t>(index)];
    };
    m->Bind(wxEVT_MENU, pick);
    frame->canvas->PopupMenu(m.get(), frame->canvas->ScreenToClient(wxPoint(screen.x, screen.y)));
    return chosen;
  }
  void RunMoveLoop(HWND hwnd) override {
    FramePeer* frame = FrameFor(Sys().Find(hwnd));
    if (!frame || frame->canvas->moveLoop) return;
    wxGUIEventLoop loop;
    Canvas* canvas = frame->canvas;
    canvas->moveLoop = &loop;
    const bool pressed = canvas->inLeftPress;
    canvas->moveStart = pressed ? canvas->pressAt : wxGetMousePosition();
    WindowState* w = Sys().Find(hwnd);
    canvas->moveOrigin = CPoint(w->rect.left, w->rect.top);
    if (!canvas->HasCapture()) canvas->CaptureMouse();
    if (pressed || wxGetMouseState().LeftIsDown()) loop.Run();
    if (canvas->HasCapture()) canvas->ReleaseMouse();
    canvas->moveLoop = nullptr;
  }
};

Loop* g_loop = nullptr;
Backend* g_backend = nullptr;

}  // namespace

void InstallBackend() {
  if (!g_backend) {
    wxInitAllImageHandlers();
    g_loop = new Loop();
    g_backend = new Backend();
  }
  Sys().Reset(nullptr, g_loop, g_backend);
}

bool BackendInstalled() { return g_backend && Sys().Backend() == g_backend; }

wxWindow* FrameOf(HWND hwnd) {
  WindowState* w = Sys().Find(hwnd);
  FramePeer* f = w ? dynamic_cast<FramePeer*>(w->peer.get()) : nullptr;
  return f ? f->frame : nullptr;
}

wxWindow* NativeWidgetOf(HWND hwnd) {
  WindowState* w = Sys().Find(hwnd);
  auto* native = w ? dynamic_cast<NativePeer*>(w->peer.get()) : nullptr;
  return native ? native->Widget() : nullptr;
}

}  // namespace varlo::wx

namespace {
constexpr int kNoDisplayExitCode = 1;

class VarloWxApp final : public wxApp {
 public:
  VarloWxApp(int argc, char** argv) : m_argc(argc), m_argv(argv) {}
  bool OnInit() override {
    varlo::wx::InstallBackend();
    return true;
  }
  int OnRun() override { return varlo::win::RunApplication(m_argc, m_argv); }

 private:
  int m_argc;
  char** m_argv;
};
}  // namespace

int AfxWinMain(int argc, char** argv) {
  wxApp::SetInstance(new VarloWxApp(argc, argv));
  // Until the toolkit runs, its complaints go to the error stream: its own way of showing
  // them is a window, which without a display ends the process with a trap.
  delete wxLog::SetActiveTarget(new wxLogStderr());
  if (!wxEntryStart(argc, argv)) {
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr, "Varlo needs a graphical display, and none could be opened%s.\n",
                 display && *display ? "" : " (DISPLAY is not set)");
    delete wxLog::SetActiveTarget(nullptr);
    return kNoDisplayExitCode;
  }
  delete wxLog::SetActiveTarget(nullptr);  // from here on the toolkit shows its complaints itself
  int code = kNoDisplayExitCode;
  {
    const varlo::wx::FontWarmUp fonts;  // while the main window is built
    if (wxTheApp->CallOnInit()) {
      code = wxTheApp->OnRun();
      wxTheApp->OnExit();
    }
  }
  wxEntryCleanup();
  return code;
}
