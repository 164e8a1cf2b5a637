// Stand-ins for the call engine's endpoint and login block, which the main window owns
// but which are not part of the program yet.  They answer as an endpoint without a stack
// would: always idle, never registered, every call refused.  The main window uses them
// only through the operations below, so the real classes take their place member for
// member.
#pragma once
#include "platform/core/CString.h"
#include "platform/win/WinTypes.h"

class CWnd;
class CUserProfile;

class CPendingEndPoint {
 public:
  // Would start the listener, the capabilities and the sound devices.
  BOOL Initialise(CWnd* /*mainWindow*/, CUserProfile& /*profile*/) { return FALSE; }
  BOOL IsIdle() const { return TRUE; }
  BOOL IsRegistered() const { return FALSE; }
  BOOL MakeCallTo(const CString& /*number*/) { return FALSE; }
  void HangUp() {}
  // 1 when the call is now held, 0 when it runs again.
  int ToggleHold() { return 0; }
  void SendTone(char /*key*/) {}
};

// The block handed to the registration worker thread.
struct CPendingRegisterParams {
  CWnd* window = nullptr;
  CPendingEndPoint* endpoint = nullptr;
  CString gatekeeperHost;
  CString fallbackHost;
  CString alias;
  CString password;
};
