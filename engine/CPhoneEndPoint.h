// CPhoneEndPoint: the softphone's H.323 endpoint.  The main window owns it by value and
// sets it up once with Initialise: the fixed stack settings, the call-signalling listener
// on TCP 1721, the profile's sound devices and a capability table that offers GSM 06.10
// alone (the G.723.1 capability is built, for the options sheet, but not offered).
//
// It places, hangs up, holds and retrieves the one current call and sends key tones on it,
// asks the user before answering a call (the caller hears ringing meanwhile, and the
// question goes away when the caller gives up), answers further callers busy while a
// call is asked about or up, and reports progress to the owner window by
// posted messages: WM_USER+104 ringing, +105 connected, +106 cleared with the end code.
// It makes the system's gatekeeper client and the relay-aware RTP sessions.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>

#include "platform/core/CString.h"
#include "platform/win/MessageBox.h"
#include "platform/win/WinTypes.h"
#include "stack/h323/H323EndPoint.h"

class CWnd;
class CUserProfile;
class CCaptureWnd;
class H323_G7231Capability;
class H323_GSM0610Capability;

class CPhoneEndPoint : public H323EndPoint {
  PCLASSINFO(CPhoneEndPoint, H323EndPoint)
 public:
  static constexpr WORD kListenerPort = 1721;
  static constexpr unsigned kInitialBandwidth = 12800;  // in 100 bit/s: 1.28 Mbit/s
  static constexpr unsigned kThreadStackSize = 60000;   // bytes, every thread kind
  static constexpr unsigned kFramesPerPacket = 4;
  // The video frame a sending video channel reads: CIF, 12 bits per pixel.
  static constexpr unsigned kVideoWidth = 352;
  static constexpr unsigned kVideoHeight = 288;
  static constexpr DWORD kVideoFrameBytes = kVideoWidth * kVideoHeight * 3 / 2;

  CPhoneEndPoint();
  ~CPhoneEndPoint() override;

  // Applies the settings, starts the listener, sets the sound devices and the capability
  // table.  Always TRUE; a listener that cannot start leaves the endpoint without
  // incoming calls.  `owner` receives the progress messages.
  BOOL Initialise(CWnd* owner, CUserProfile* profile);
  // Starts a call to a host, an IPv4 address (with ":port" or not) or a dialled number
  // that the gatekeeper resolves.  FALSE for a null or empty address or when the stack
  // starts no call.
  BOOL MakeCallTo(const char* address);
  // Clears the current call (nothing when there is none).
  void HangUp();
  BOOL IsIdle() const;
  // TRUE while a gatekeeper client exists and reports itself registered.
  BOOL IsRegistered() const;
  // Whether the call port could be had at initialisation (another program may hold it).
  BOOL IsListening() const { return m_listener != nullptr; }
  // Sends '0'-'9', '*' or '#' on the current call as user input.
  void SendTone(char key);
  // Holds the current call (result 1) or retrieves it when held (result 0); 0 when there
  // is no current call.
  BOOL ToggleHold();

  // The current call's token (empty when there is none).
  PString GetCurrentCallToken() const;
  CUserProfile* GetProfile() const { return m_profile; }
  CWnd* GetOwner() const { return m_owner; }

  // --- the stack's hooks ---
  H323Gatekeeper* CreateGatekeeper(H323Transport* transport) override;
  bool OnIncomingCall(H323Connection& connection, const H323SignalPDU& setupPDU,
                      H323SignalPDU& alertingPDU) override;
  bool OnAlerting(H323Connection& connection, const H323SignalPDU& alertingPDU, const PString& user) override;
  void OnConnectionEstablished(H323Connection& connection, const PString& token) override;
  void OnConnectionCleared(H323Connection& connection, const PString& token) override;
  H323Connection* CreateConnection(unsigned callReference) override;
  bool OpenVideoChannel(H323Connection& connection, bool isEncoding, H323VideoCodec& codec) override;
  // RTP sessions that go through the media relay while it is on.
  H323_RTP_UDP* CreateRTPSession(H323Connection& connection, unsigned sessionID) override;

  // Members in the order of the class they stand in for.  The owner is the main window
  // (kept as its window base so that the engine does not depend on the window code).
  CWnd* m_owner = nullptr;
  PString m_callToken;
  H323ListenerTCP* m_listener = nullptr;
  std::atomic<BOOL> m_idle{TRUE};
  CUserProfile* m_profile = nullptr;
  H323_G7231Capability* m_g7231Capability = nullptr;
  H323_GSM0610Capability* m_gsmCapability = nullptr;
  CCaptureWnd* m_captureWnd = nullptr;

 private:
  // Posts to the owner window (nothing before Initialise).
  void PostToOwner(UINT message, WPARAM wParam, LPARAM lParam) const;

  // Owns the G.723.1 capability, which is not in the capability table.
  std::unique_ptr<H323_G7231Capability> m_g7231Owned;
  // Guards m_callToken and orders the idle flag with it across the stack's threads; and
  // the incoming-call questions that are up, by call token.
  mutable std::mutex m_callMutex;
  std::map<PString, varlo::win::MessageBoxWithdrawal> m_questions;
};

// The end code the main window gets with WM_USER+106 for a stack end reason: wParam
// 3, 4, 5, 8, 9 or 10 with lParam 1; 0 with lParam 0 for any other reason.
struct CallEndCode {
  WPARAM code;
  LPARAM mapped;
};
CallEndCode MapCallEndReason(CallEndReason reason);
