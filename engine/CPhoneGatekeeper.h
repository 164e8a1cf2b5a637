// CPhoneGatekeeper: the softphone's gatekeeper client.  The stack runs the RAS exchanges;
// these hooks turn the service's data, carried as text in the replies' non-standard data,
// into messages for the main window: the card balance (WM_USER+113), the available call
// seconds of an admitted call (WM_USER+111), the reason of a refused registration
// (WM_USER+114) or admission (WM_USER+115), a new login when the gatekeeper asks for one
// (WM_USER+116 then +108 or +109), and an alternate gatekeeper for the next login.
// Every hook does its own work first and ends with the stack's handler and its result.
#pragma once

#include <string>

#include "platform/core/CString.h"
#include "platform/win/WinTypes.h"
#include "stack/ras/H323Gatekeeper.h"

class CWnd;
class CUserProfile;

class CPhoneGatekeeper : public H323Gatekeeper {
 public:
  // `owner` receives the messages; `profile` is the main window's settings block.
  CPhoneGatekeeper(H323EndPoint& endpoint, H323Transport* transport, CWnd* owner, CUserProfile* profile);
  ~CPhoneGatekeeper() override;

  bool OnReceiveGatekeeperConfirm(const H225_GatekeeperConfirm& gcf) override;
  bool OnReceiveRegistrationConfirm(const H225_RegistrationConfirm& rcf) override;
  bool OnReceiveRegistrationReject(const H225_RegistrationReject& rrj) override;
  bool OnReceiveUnregistrationRequest(const H225_UnregistrationRequest& urq) override;
  bool OnReceiveAdmissionConfirm(const H225_AdmissionConfirm& acf) override;
  bool OnReceiveAdmissionReject(const H225_AdmissionReject& arj) override;
  bool OnReceiveInfoRequest(const H225_InfoRequest& irq) override;

  CWnd* m_owner = nullptr;
  CUserProfile* m_profile = nullptr;
  // Dotted IPv4 address of the first alternate gatekeeper a confirm named; empty: none.
  // Touched only on the RAS thread.
  CString m_alternateAddress;

 private:
  int LoginMode() const;
  HWND OwnerWindow() const;
  // Every message is posted: the main window's thread removes this client (stopping and
  // joining the RAS thread the hooks run on) in its handlers, so a hook must never wait
  // for that thread.
  void Post(UINT message, WPARAM wParam) const;
  // WM_USER+108 in account mode, +109 in card mode, nothing otherwise.
  void PostLogin() const;
  // The card balance, for service calls in card mode only.
  void PostBalance(const std::string& text) const;
  // Keeps a non-empty address; an empty one leaves the known one as it was.
  void CaptureAlternate(const CString& address);
};
