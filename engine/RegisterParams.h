// The login block: what one registration worker needs (the endpoint, the gatekeeper
// addresses, the alias and password) and the window that hears how it went.
#pragma once

#include "platform/core/CString.h"
#include "platform/win/WinTypes.h"

class CPhoneEndPoint;

struct RegisterParams {
  CPhoneEndPoint* endpoint = nullptr;
  CString host;          // gatekeeper address tried first, twice
  CString fallbackHost;  // tried once when the first fails; empty: none
  CString alias;
  CString password;
  HWND window = nullptr;  // receives WM_USER+102 (registered) or +103 (failed)
};
