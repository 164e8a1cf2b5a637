#include "platform/win/Input.h"

#include <array>

#include "platform/win/MessageSystem.h"
#include "platform/win/Wnd.h"

namespace varlo::win {
namespace {
POINT& CursorPos() {
  static POINT pos{0, 0};
  return pos;
}
// Which virtual keys are down, as the key messages delivered so far tell (UI thread only).
std::array<bool, 256>& KeysDown() {
  static std::array<bool, 256> down{};
  return down;
}
}  // namespace

void SetModifierKeys(bool control, bool shift, bool alt) {
  KeysDown()[VK_CONTROL] = control;
  KeysDown()[VK_SHIFT] = shift;
  KeysDown()[VK_MENU] = alt;
}

POINT TestCursorPos() { return CursorPos(); }
void SetTestCursorPos(POINT screen) { CursorPos() = screen; }

void DeliverInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  MSG m;
  m.hwnd = hwnd;
  m.message = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  m.pt = CursorPos();
  if ((msg == WM_KEYDOWN || msg == WM_KEYUP) && wParam < KeysDown().size()) KeysDown()[wParam] = msg == WM_KEYDOWN;
  MessageSystem::Instance().DeliverMessage(m);
}

void SimulateClick(HWND hwnd) {
  RECT r{};
  ::GetClientRect(hwnd, &r);
  SimulateClick(hwnd, CPoint((r.right - r.left) / 2, (r.bottom - r.top) / 2));
}

void RouteMouse(UINT msg, POINT screen, UINT keyFlags, HWND top) {
  MessageSystem& sys = MessageSystem::Instance();
  SetTestCursorPos(screen);
  HWND target = ::GetCapture();
  LRESULT hit = HTCLIENT;
  if (!target) {
    target = top ? ::ChildWindowFromScreenPoint(top, screen) : ::WindowFromPoint(screen);
    while (target) {
      hit = sys.CallWindow(target, WM_NCHITTEST, 0, MakePointLParam(screen.x, screen.y));
      if (hit != HTTRANSPARENT) break;
      target = ::GetParent(target) && (::GetWindowLong(target, GWL_STYLE) & WS_CHILD) ? ::GetParent(target) : nullptr;
    }
    if (!target) return;
    // Disabled windows, and everything under a disabled top-level window, get nothing.
    for (HWND h = target; h; h = (::GetWindowLong(h, GWL_STYLE) & WS_CHILD) ? ::GetParent(h) : nullptr) {
      if (!::IsWindowEnabled(h)) return;
    }
  }
  sys.CallWindow(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                 MAKELPARAM(static_cast<WORD>(hit), static_cast<WORD>(msg)));
  if (!::IsWindow(target)) return;
  if (hit == HTCLIENT) {
    POINT client = screen;
    ::ScreenToClient(target, &client);
    DeliverInput(target, msg, keyFlags, MakePointLParam(client.x, client.y));
  } else {
    DeliverInput(target, msg - WM_MOUSEMOVE + WM_NCMOUSEMOVE, static_cast<WPARAM>(hit),
                 MakePointLParam(screen.x, screen.y));
  }
}

void SimulateClick(HWND hwnd, CPoint client) {
  POINT screen = client;
  ::ClientToScreen(hwnd, &screen);
  RouteMouse(WM_MOUSEMOVE, screen, 0);
  RouteMouse(WM_LBUTTONDOWN, screen, MK_LBUTTON);
  RouteMouse(WM_LBUTTONUP, screen, 0);
}

void SimulateDoubleClick(HWND hwnd) {
  RECT r{};
  ::GetClientRect(hwnd, &r);
  const CPoint c((r.right - r.left) / 2, (r.bottom - r.top) / 2);
  SimulateClick(hwnd, c);
  POINT screen = c;
  ::ClientToScreen(hwnd, &screen);
  RouteMouse(WM_LBUTTONDBLCLK, screen, MK_LBUTTON);
  RouteMouse(WM_LBUTTONUP, screen, 0);
  MessageSystem::Instance().Pump();
}

void SimulateKey(UINT vk, HWND target) {
  HWND h = target ? target : ::GetFocus();
  if (!h) return;
  DeliverInput(h, WM_KEYDOWN, vk, 1);
  UINT ch = 0;
  if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z') || vk == VK_SPACE || vk == VK_BACK || vk == VK_RETURN) {
    ch = vk;
  } else if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) {
    ch = '0' + (vk - VK_NUMPAD0);
  } else if (vk == VK_DECIMAL || vk == VK_OEM_PERIOD) {
    ch = '.';
  } else if (vk == VK_MULTIPLY) {
    ch = '*';
  }
  if (ch && ::IsWindow(h)) DeliverInput(h, WM_CHAR, ch, 1);
  if (::IsWindow(h)) DeliverInput(h, WM_KEYUP, vk, 1);
}

}  // namespace varlo::win

short GetKeyState(int vk) {
  const auto& down = varlo::win::KeysDown();
  return vk >= 0 && vk < static_cast<int>(down.size()) && down[static_cast<size_t>(vk)] ? static_cast<short>(0x8000) : 0;
}
