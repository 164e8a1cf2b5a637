// The tooltip control: its tools, and when and where the tip of the tool under the
// pointer shows.
#include <algorithm>

#include "platform/win/ControlClasses.h"
#include "platform/win/DC.h"
#include "platform/win/Gdi.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Wnd.h"

namespace varlo::win {

namespace {

MessageSystem& Sys() { return MessageSystem::Instance(); }

constexpr UINT_PTR kShowTimer = 1;
constexpr UINT_PTR kLeaveTimer = 2;
constexpr int kPaddingX = 4;  // between the tip's frame and its text
constexpr int kPaddingY = 2;

bool IsPress(UINT msg) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_KEYDOWN:
      return true;
    default:
      return false;
  }
}

// Where a tool lies in its window: its rectangle, or the window's client area when the
// tool was added without one.
CRect ToolRect(const TooltipClass::Tool& t) {
  CRect r(t.rect);
  if (r.IsRectEmpty()) {
    if (WindowState* owner = Sys().Find(t.owner)) r = owner->ClientRect();
  }
  return r;
}

}  // namespace

const TooltipClass::Tool* TooltipClass::FindTool(HWND owner, UINT_PTR id) const {
  auto it = std::find_if(tools.begin(), tools.end(), [&](const Tool& t) { return t.owner == owner && t.id == id; });
  return it == tools.end() ? nullptr : &*it;
}

const TooltipClass::Tool* TooltipClass::ToolAt(HWND owner, CPoint client) const {
  auto it = std::find_if(tools.begin(), tools.end(),
                         [&](const Tool& t) { return t.owner == owner && ToolRect(t).PtInRect(client); });
  return it == tools.end() ? nullptr : &*it;
}

bool TooltipClass::PointerOnHoverTool() const {
  if (!hoverOwner) return false;
  POINT screen{};
  ::GetCursorPos(&screen);
  if (::WindowFromPoint(screen) != hoverOwner) return false;
  POINT client = screen;
  ::ScreenToClient(hoverOwner, &client);
  const Tool* t = FindTool(hoverOwner, hoverId);
  return t && ToolRect(*t).PtInRect(client);
}

void TooltipClass::Relay(WindowState& w, const MSG& m) {
  if (m.message == WM_MOUSEMOVE) {
    const Tool* t = ToolAt(m.hwnd, CPoint(GET_X_LPARAM(m.lParam), GET_Y_LPARAM(m.lParam)));
    if (t && t->owner == hoverOwner && t->id == hoverId) return;  // still on the same tool
    Leave(w);
    if (!t) return;
    hoverOwner = t->owner;
    hoverId = t->id;
    if (active) Sys().SetTimer(w.hwnd, kShowTimer, kInitialDelayMs);
    Sys().SetTimer(w.hwnd, kLeaveTimer, kLeaveCheckMs);
  } else if (IsPress(m.message) && hoverOwner) {
    Sys().KillTimer(w.hwnd, kShowTimer);
    Hide(w);
    dismissed = true;
  }
}

void TooltipClass::Leave(WindowState& w) {
  Sys().KillTimer(w.hwnd, kShowTimer);
  Sys().KillTimer(w.hwnd, kLeaveTimer);
  hoverOwner = nullptr;
  hoverId = 0;
  dismissed = false;
  Hide(w);
}

void TooltipClass::Hide(WindowState& w) {
  if (w.Visible()) ::ShowWindow(w.hwnd, SW_HIDE);
}

// Sizes the tip to its text in the default GUI font, its top-left corner at topLeft but
// kept on the screen.
void TooltipClass::FitText(WindowState& w, const std::string& text, CPoint topLeft) {
  if (w.text != text) {
    w.text = text;
    w.Changed(kChangeText);
  }
  CDC dc;
  dc.SelectObject(::GetStockObject(DEFAULT_GUI_FONT));
  const CSize extent = dc.GetTextExtent(text.c_str(), static_cast<int>(text.size()));
  const CSize size(extent.cx + 2 * kPaddingX, extent.cy + 2 * kPaddingY);
  const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
  const LONG rightmost = std::max<LONG>(0, screenWidth - size.cx);
  if (screenWidth > 0) topLeft.x = std::clamp<LONG>(topLeft.x, 0, rightmost);
  if (screenHeight > 0 && topLeft.y + size.cy > screenHeight) {
    topLeft.y = std::max<LONG>(0, topLeft.y - kBelowPointer - size.cy);  // above the pointer instead
  }
  ::SetWindowPos(w.hwnd, HWND_TOPMOST, topLeft.x, topLeft.y, size.cx, size.cy, SWP_NOACTIVATE);
}

void TooltipClass::Show(WindowState& w) {
  const Tool* t = FindTool(hoverOwner, hoverId);
  if (!t || t->text.empty() || !active || dismissed) return;
  POINT pointer{};
  ::GetCursorPos(&pointer);
  const HWND hwnd = w.hwnd;
  FitText(w, t->text, CPoint(pointer.x, pointer.y + kBelowPointer));
  if (Sys().Find(hwnd) && !w.Visible()) ::ShowWindow(hwnd, SW_SHOWNOACTIVATE);
}

LRESULT TooltipClass::Proc(WindowState& w, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* info = reinterpret_cast<const TOOLINFO*>(lParam);
  auto find = [&]() {
    return std::find_if(tools.begin(), tools.end(), [&](const Tool& t) {
      return info && t.id == info->uId && (t.owner == info->hwnd || (info->uFlags & TTF_IDISHWND));
    });
  };
  switch (msg) {
    case TTM_ADDTOOL: {
      if (!info) return FALSE;
      Tool t;
      t.owner = (info->uFlags & TTF_IDISHWND) ? reinterpret_cast<HWND>(info->uId) : info->hwnd;
      t.id = info->uId;
      t.rect = info->rect;
      t.text = info->lpszText ? info->lpszText : "";
      tools.push_back(t);
      w.Changed(kChangeContent);
      return TRUE;
    }
    case TTM_DELTOOL:
      if (auto it = find(); it != tools.end()) {
        if (it->owner == hoverOwner && it->id == hoverId) Leave(w);
        tools.erase(it);
      }
      w.Changed(kChangeContent);
      return 0;
    case TTM_UPDATETIPTEXT:
      if (auto it = find(); it != tools.end()) {
        it->text = info->lpszText ? info->lpszText : "";
        // A tip on the screen follows its tool's new text where it stands.
        if (w.Visible() && it->owner == hoverOwner && it->id == hoverId) {
          if (it->text.empty()) {
            Hide(w);
          } else {
            FitText(w, it->text, w.rect.TopLeft());
          }
        }
      }
      w.Changed(kChangeContent);
      return 0;
    case TTM_GETTOOLCOUNT:
      return static_cast<LRESULT>(tools.size());
    case TTM_ACTIVATE:
      active = wParam != 0;
      if (!active) {
        Sys().KillTimer(w.hwnd, kShowTimer);
        Hide(w);
      }
      w.Changed(kChangeContent);
      return 0;
    case TTM_RELAYEVENT:
      if (lParam) Relay(w, *reinterpret_cast<const MSG*>(lParam));
      return 0;
    case WM_TIMER:
      if (!PointerOnHoverTool()) {
        Leave(w);
      } else if (wParam == kShowTimer) {
        Sys().KillTimer(w.hwnd, kShowTimer);
        Show(w);
      }
      return 0;
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    default:
      return DefWindowProcImpl(w, msg, wParam, lParam);
  }
}

std::string TooltipTextFor(HWND hwnd) {
  for (HWND h : Sys().TopLevelWindows()) {
    WindowState* w = Sys().Find(h);
    auto* tip = w ? w->As<TooltipClass>() : nullptr;
    if (!tip || !tip->active) continue;
    for (const auto& t : tip->tools) {
      if (t.owner == hwnd && !t.text.empty()) return t.text;
    }
  }
  return {};
}

}  // namespace varlo::win
