// The service login: the login requests (account and calling card), the registration
// worker's results, the gatekeeper client's reject texts and its request to drop the
// registration; and the media relay client's three exchanges.
#include "engine/LoginAlias.h"
#include "platform/core/CTime.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Resources.h"
#include "platform/win/WinApp.h"
#include "ui/CVarloDlg.h"

namespace {

constexpr UINT kIdsRegistering = 103;
constexpr UINT kIdsInputNumber = 104;
constexpr UINT kIdsRegistrationFailed = 105;
constexpr UINT kIdsCheckPin = 123;
constexpr UINT kIdsCheckConnection = 137;
constexpr UINT kIdsRegisterFailedCaption = 138;
constexpr UINT kLineLampRegistered = 246;
constexpr UINT kLineLampFailed = 245;
constexpr COPYDATASTRUCT kRegisteredNotice{0, 0, nullptr};

// The whole command line the program was started with ("" without an application object).
CString CommandLine() {
  CWinApp* app = AfxGetApp();
  return app && app->m_lpCmdLine ? CString(app->m_lpCmdLine) : CString();
}

}  // namespace

void CVarloDlg::SetLineLamp(UINT bitmap) {
  SetFace(m_lineLamp, bitmap, bitmap, 354, 38, 20, 9);
  m_lineLamp.Invalidate();
}

void CVarloDlg::PrepareLoginAddresses() {
  m_registerParams->host = m_profile.m_gatekeeperHost;
  m_registerParams->fallbackHost = m_profile.m_fallbackGatekeeperHost;
  // The alternate gatekeeper a reject named serves the next login only.
  if (!m_profile.m_gatekeeperOverride.IsEmpty()) {
    m_registerParams->host = m_profile.m_gatekeeperOverride;
    m_profile.m_gatekeeperOverride.Empty();
  }
}

void CVarloDlg::StartLogin(const CString& alias, const CString& password) {
  m_callButton.EnableWindow(FALSE);
  ShowStatus(kIdsRegistering);
  m_registerParams->alias = alias;
  m_registerParams->password = password;
  // The worker takes its own copy, here on this thread; a login still running gives way.
  m_registerRunner.Login(*m_registerParams);
}

LRESULT CVarloDlg::OnAccountLogin(WPARAM, LPARAM) {
  PrepareLoginAddresses();
  StartLogin(BuildAccountAlias(m_profile.m_gatekeeperId, m_profile.m_account), m_profile.m_password);
  return 0;
}

LRESULT CVarloDlg::OnCardLogin(WPARAM, LPARAM) {
  CString alias;
  if (!BuildCardAlias(m_profile.m_gatekeeperId, m_profile.m_pin, CTime::GetCurrentTime().GetSecond(), alias)) {
    // Too short a PIN for the card text: no login is tried, and the window stays as it is.
    MessageBox(AfxLoadString(kIdsCheckPin), AfxLoadString(kIdsRegisterFailedCaption), MB_ICONEXCLAMATION);
    return 0;
  }
  PrepareLoginAddresses();
  StartLogin(alias, CardPassword(m_profile.m_pin));
  return 0;
}

LRESULT CVarloDlg::OnRegistered(WPARAM, LPARAM) {
  FindRelayServer();
  // The window layer's activation of a top-level window.
  SetForegroundWindow();
  m_callButton.EnableWindow(TRUE);
  ShowStatus(kIdsInputNumber);
  WriteDisplayLine(kLinePlain, "Register Succeeded!");
  SetLineLamp(kLineLampRegistered);

  const CString commandLine = CommandLine();
  if (!commandLine.IsEmpty() && !m_launcherWnd) {
    m_launcherWnd = ::FindWindow("#32770", commandLine);
    if (m_launcherWnd) {
      m_copyData = kRegisteredNotice;
      ::SendMessage(m_launcherWnd, WM_COPYDATA, reinterpret_cast<WPARAM>(m_hWnd),
                    reinterpret_cast<LPARAM>(&m_copyData));
    }
  }
  return 0;
}

LRESULT CVarloDlg::OnRegisterFailed(WPARAM, LPARAM) {
  SetForegroundWindow();
  m_callButton.EnableWindow(TRUE);
  ShowStatus(kIdsRegistrationFailed);
  LogString(kIdsRegistrationFailed);
  SetLineLamp(kLineLampFailed);
  const CString caption = AfxLoadString(kIdsRegisterFailedCaption);
  if (!m_registerError.IsEmpty()) {
    MessageBox(m_registerError, caption, MB_ICONEXCLAMATION);
    m_registerError.Empty();
  } else {
    MessageBox(AfxLoadString(kIdsCheckConnection), caption, MB_ICONEXCLAMATION);
  }
  return 0;
}

LRESULT CVarloDlg::OnRegisterError(WPARAM stringId, LPARAM) {
  m_registerError = AfxLoadString(static_cast<UINT>(stringId));
  return 0;
}

LRESULT CVarloDlg::OnAdmissionError(WPARAM stringId, LPARAM) {
  m_admissionError = AfxLoadString(static_cast<UINT>(stringId));
  return 0;
}

LRESULT CVarloDlg::OnUnregister(WPARAM, LPARAM) {
  // Removing the gatekeeper clears the calls and waits for the stack's RAS thread, so it
  // runs on a worker; the next login waits for it.
  m_registerRunner.Unregister(m_endpoint);
  return 0;
}

// --- media relay ---

void CVarloDlg::SetRelaySettings(CRelayClient::Settings settings) {
  m_relayClient = std::make_unique<CRelayClient>(m_relayEndpoint, std::move(settings));
}

BOOL CVarloDlg::FindRelayServer() { return m_relayClient->FindRelayServer(m_relayServer, m_relayToken, m_relayCheck); }

BOOL CVarloDlg::RequestRelay() { return m_relayClient->RequestRelay(m_relayServer, m_relayToken, m_relayCheck); }

void CVarloDlg::SendRelayRelease() { m_relayClient->SendRelayRelease(m_relayServer, m_relayToken); }
