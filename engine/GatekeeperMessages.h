// The main window's messages that the gatekeeper client sends.  The numbers are the main
// window's own (its message map names them); they are repeated here so that the engine
// does not depend on the window classes.
#pragma once

#include "platform/win/WinMessages.h"

namespace gkmsg {

constexpr UINT kAccountLogin = WM_USER + 108;     // log in again with the account
constexpr UINT kCardLogin = WM_USER + 109;        // log in again with the calling card
constexpr UINT kAvailableTime = WM_USER + 111;    // wParam: available call seconds (signed)
constexpr UINT kBalance = WM_USER + 113;          // wParam: const char* balance text
constexpr UINT kRegisterError = WM_USER + 114;    // wParam: string id of the reject text
constexpr UINT kAdmissionError = WM_USER + 115;   // wParam: string id of the reject text
constexpr UINT kUnregister = WM_USER + 116;       // drop the registration

}  // namespace gkmsg
