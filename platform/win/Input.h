// Input for display-free tests: the mouse position, clicks and keys as the toolkit
// backend would deliver them (through the pre-translation chain and the window).
#pragma once
#include "platform/win/Geometry.h"

namespace varlo::win {

POINT TestCursorPos();
void SetTestCursorPos(POINT screen);
// Press and release of the left button at a client point of the window (its centre by
// default); the cursor moves there first.
void SimulateClick(HWND hwnd);
void SimulateClick(HWND hwnd, CPoint client);
void SimulateDoubleClick(HWND hwnd);
// WM_KEYDOWN (and WM_CHAR for keys that type a character), then WM_KEYUP, to the window
// with the focus or to the given one.
void SimulateKey(UINT vk, HWND target = nullptr);
// A mouse message (WM_MOUSEMOVE, WM_LBUTTONDOWN, ...) at a screen point, routed as the
// system does: to the window with the capture, else to the window under the point; a
// point that is not in the client area (WM_NCHITTEST) gets the non-client message.  The
// cursor is asked for first (WM_SETCURSOR).  Windows under a modal dialog get nothing.
// `top`, when given, is the top-level window on which the display server showed the point:
// the point goes to that window's child there, since the server (and its window manager)
// knows better than the layer which window is on top.
void RouteMouse(UINT msg, POINT screen, UINT keyFlags, HWND top = nullptr);
// A queue message through the pre-translation chain, as the backend delivers input.  Key
// messages keep the key state that GetKeyState reports.
void DeliverInput(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The modifier keys as the display server reports them with a key event, for the key
// state of the message that follows (a modifier pressed while another program had the
// focus sends this program no key message).
void SetModifierKeys(bool control, bool shift, bool alt);

}  // namespace varlo::win
