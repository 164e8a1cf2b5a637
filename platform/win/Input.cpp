#include "platform/win/Input.h"

#include "platform/win/MessageSystem.h"
#include "platform/win/Wnd.h"

namespace varlo::win {
namespace {
POINT& CursorPos() {
  static POINT pos{0, 0};
  return pos;
}
}  // namespace

POINT TestCursorPos() { return CursorPos(); }
void SetTestCursorPos(POINT screen) { CursorPos() = screen; }

void DeliverInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  MSG m;
  m.hwnd = hwnd;
  m.message = msg;
  m.wParam = wParam;
  m.lParam = lParam;
  m.pt = CursorPos();
  MessageSystem::Instance().DeliverMessage(m);
}

void SimulateClick(HWND hwnd) {
  RECT r{};
  ::GetClientRect(hwnd, &r);
  SimulateClick(hwnd, CPoint((r.right - r.left) / 2, (r.bottom - r.top) / 2));
}

void SimulateClick(HWND hwnd, CPoint client) {
  POINT screen = client;
  ::ClientToScreen(hwnd, &screen);
  SetTestCursorPos(screen);
  const LPARAM at = MakePointLParam(client.x, client.y);
  DeliverInput(hwnd, WM_MOUSEMOVE, 0, at);
  DeliverInput(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
  if (::IsWindow(hwnd)) DeliverInput(hwnd, WM_LBUTTONUP, 0, at);
}

void SimulateDoubleClick(HWND hwnd) {
  RECT r{};
  ::GetClientRect(hwnd, &r);
  const CPoint c((r.right - r.left) / 2, (r.bottom - r.top) / 2);
  SimulateClick(hwnd, c);
  const LPARAM at = MakePointLParam(c.x, c.y);
  if (::IsWindow(hwnd)) DeliverInput(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  if (::IsWindow(hwnd)) DeliverInput(hwnd, WM_LBUTTONUP, 0, at);
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
