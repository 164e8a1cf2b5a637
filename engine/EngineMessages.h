// The window messages the endpoint posts to its owner window.  The window code defines the
// same numbers for its handlers; the engine keeps its own copy so that it does not depend
// on the window code.
#pragma once

#include "platform/win/WinMessages.h"

constexpr UINT WM_ENGINE_REMOTE_RINGING = WM_USER + 104;  // wParam 0, lParam 0
constexpr UINT WM_ENGINE_CALL_CONNECTED = WM_USER + 105;  // wParam 0, lParam 0
constexpr UINT WM_ENGINE_CALL_CLEARED = WM_USER + 106;    // wParam end code, lParam 1 when mapped
