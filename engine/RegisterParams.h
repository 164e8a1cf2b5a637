// The login block: what one registration worker needs (the endpoint, the gatekeeper
// addresses, the alias and password) and the window that hears how it went.
#pragma once

#include "platform/core/CString.h"
#include "platform/win/WinTypes.h"

class H323EndPoint;

struct RegisterParams {
  // The endpoint to register (the main window's CPhoneEndPoint).  The worker uses only the
  // stack's gatekeeper operations, so it is held as the stack's endpoint.
  H323EndPoint* endpoint = nullptr;
  CString host;          // gatekeeper address tried first, twice
  CString fallbackHost;  // tried once when the first fails; empty: none
  CString alias;
  CString password;
  HWND window = nullptr;  // receives WM_USER+102 (registered) or +103 (failed)
};
