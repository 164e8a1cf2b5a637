// Call control: placing, holding and ending calls, the exit command, and the call
// progress and service messages.
#include "platform/win/MessageBox.h"
#include "platform/win/Resources.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

constexpr UINT kIdsConnected = 106;
constexpr UINT kIdsDisconnected = 107;
constexpr UINT kIdsNumberIncorrect = 112;
constexpr UINT kIdsDialing = 117;
constexpr UINT kIdsCannotCall = 136;
constexpr UINT kIdsRegisterAgain = 135;
constexpr UINT kIdsInvalidPermission = 139;
constexpr UINT kIdsCheckConnection = 137;
constexpr int kMinNumberLength = 4;
constexpr int kMaxNumberLength = 15;
constexpr COLORREF kDurationDimColour = 0x00614425;
constexpr COLORREF kDurationBrightColour = 0x00FFAE63;

// The status and talk-log line of a call's end code, 0 for none.
UINT EndCodeStringId(WPARAM code) {
  switch (code) {
    case 3:
      return 110;
    case 4:
      return 109;
    case 5:
      return 111;
    case 8:
    case 9:
      return 134;
    case 10:
      return 112;
    default:
      return 0;
  }
}

}  // namespace

void CVarloDlg::SetCallButtonFace(UINT normal, UINT pressed, const char* tooltip) {
  m_callButton.LoadBitmaps(normal, pressed);
  m_callButton.SetTooltipText(tooltip, TRUE);
  m_callButton.Invalidate();
}

void CVarloDlg::SetCallLamp(UINT bitmap) {
  SetFace(m_callLamp, bitmap, bitmap, 398, 38, 20, 9);
  m_callLamp.Invalidate();
}

void CVarloDlg::ShowIdleLook() {
  m_callButton.EnableWindow(TRUE);
  m_myAccountButton.EnableWindow(TRUE);
  KillTimer(kCallLampTimer);
  SetCallLamp(243);
  m_placedCall = false;
}

void CVarloDlg::ShowIncomingCall() {
  m_callTimer.ResetDisplay();
  CString caller;
  const PString token = m_endpoint.GetCurrentCallToken();
  if (!token.IsEmpty()) {
    if (H323Connection* connection = m_endpoint.FindConnectionWithLock(token)) {
      caller = connection->GetRemotePartyName().GetPointer();
      connection->Unlock();
    }
  }
  // Not "Call: " in the talk log: this phone called nobody.
  m_numberText = caller;
  WriteDisplayLine(kLineRepaint, CString());
}

void CVarloDlg::PlaceCall() {
  CheckSoundDevices();
  if (!m_endpoint.IsIdle()) {
    if (m_endpoint.ToggleHold() == 1) {
      SetCallButtonFace(257, 258, "UnHold");
    } else {
      SetCallButtonFace(223, 224, "Hold");
    }
    return;
  }
  const CString number = m_numberBox.TakeNumber();
  if (number.IsEmpty()) return;
  m_callTimer.ResetDisplay();
  if (m_profile.m_callType != 0) {
    if (!m_endpoint.IsRegistered()) {
      MessageBox(AfxLoadString(kIdsRegisterAgain), nullptr, MB_OK);
      return;
    }
    if (number.GetLength() < kMinNumberLength || number.GetLength() > kMaxNumberLength) {
      ShowStatus(kIdsNumberIncorrect);
      return;
    }
  }
  m_myAccountButton.EnableWindow(FALSE);
  m_callButton.EnableWindow(FALSE);
  SetNumberText(number);
  ShowStatus(kIdsDialing);
  m_callState = 0;
  m_placedCall = true;
  SetTimer(kCallLampTimer, kCallLampTimerMs);
  ShowAvailableTime(0);
  // The window's channel lets go of the playback device that the call's media will open.
  m_sound.Close();
  m_relayReleased = false;
  if (!m_relayServer.IsEmpty() && !RequestRelay()) {
    MessageBox(AfxLoadString(kIdsCheckConnection), nullptr, MB_OK);
    ShowIdleLook();
    return;
  }
  if (!m_endpoint.MakeCallTo(number)) {
    MessageBox(AfxLoadString(kIdsCannotCall), nullptr, MB_OK);
    ShowIdleLook();
  }
}

void CVarloDlg::OnCall() {
  UpdateData(TRUE);
  g_busyToneFlag = 0;
  PlaceCall();
}

void CVarloDlg::OnHang() {
  if (m_endpoint.IsIdle()) return;
  ReleaseRelayOnce();
  m_endpoint.HangUp();
}

void CVarloDlg::ReleaseRelayOnce() {
  if (m_relayServer.IsEmpty() || m_relayReleased) return;
  SendRelayRelease();
  m_relayReleased = true;
}

void CVarloDlg::OnExit() {
  if (m_launcherWnd) {
    m_copyData.dwData = 1;
    m_copyData.cbData = 0;
    m_copyData.lpData = nullptr;
    ::SendMessage(m_launcherWnd, WM_COPYDATA, reinterpret_cast<WPARAM>(m_hWnd),
                  reinterpret_cast<LPARAM>(&m_copyData));
  }
  if (m_endpoint.IsIdle()) {
    PostQuitMessage(0);
    return;
  }
  m_exitPending = 1;
  ReleaseRelayOnce();
  m_endpoint.HangUp();
  // A call whose end never arrives must not keep the program from ending.
  SetTimer(kExitTimer, kExitWaitMs);
}

LRESULT CVarloDlg::OnCallConnected(WPARAM, LPARAM) {
  g_busyToneFlag = 0;
  m_sound.Close();
  m_callState = 1;
  SetCallButtonFace(223, 224, "Hold");
  SetCallLamp(244);
  m_callButton.EnableWindow(TRUE);
  ShowStatus(kIdsConnected);
  if (!m_placedCall && !m_callUp) ShowIncomingCall();
  m_callUp = true;
  m_callTimer.SetTextColour(kDurationBrightColour);
  m_callTimer.StartTimer();
  return 0;
}

LRESULT CVarloDlg::OnCallCleared(WPARAM code, LPARAM reason) {
  g_busyToneFlag = 0;
  // After a local hang-up the relay was released already.
  ReleaseRelayOnce();
  m_callState = 2;
  m_sound.Close();
  m_callTimer.SetTextColour(kDurationDimColour);
  m_callTimer.StopTimer();
  // An incoming call refused (or given up by its caller) lasted nothing; the display
  // still shows the call before it.
  if (!m_placedCall && !m_callUp) m_callTimer.ResetDisplay();
  m_placedCall = false;
  m_callUp = false;
  WriteDisplayLine(kLinePlain, m_callTimer.m_timeText);
  ShowAvailableTime(0);
  SetBalanceText("      ");
  KillTimer(kCallLampTimer);
  SetCallLamp(243);
  if (reason > 0) {
    if (const UINT id = EndCodeStringId(code)) {
      ShowStatus(id);
      LogString(id);
    }
    if (code == 4) StartBusyTone();
  } else {
    ShowStatus(kIdsDisconnected);
  }
  SetCallButtonFace(163, 145, "Call");
  m_callButton.EnableWindow(TRUE);
  m_myAccountButton.EnableWindow(TRUE);
  m_numberBox.SetWindowText("");
  if (m_exitPending) PostQuitMessage(0);
  if (!m_admissionError.IsEmpty()) {
    ShowStatus(kIdsInvalidPermission);
    m_admissionError.Empty();
  }
  return 0;
}

LRESULT CVarloDlg::OnDevicesChanged(WPARAM playChanged, LPARAM recordChanged) {
  if (playChanged != 0) m_endpoint.SetSoundChannelPlayDevice(PString(m_profile.m_playDevice.GetString()));
  if (recordChanged > 0) m_endpoint.SetSoundChannelRecordDevice(PString(m_profile.m_recordDevice.GetString()));
  m_endpoint.SetMaxAudioDelayJitter(static_cast<unsigned>(m_profile.m_audioDelay));
  ReopenMixer();
  InvalidateLevelBars();
  return 0;
}

LRESULT CVarloDlg::OnLogClosed(WPARAM, LPARAM) {
  m_logOpen = 0;
  return 0;
}

LRESULT CVarloDlg::OnAvailableTime(WPARAM seconds, LPARAM) {
  ShowAvailableTime(static_cast<DWORD>(seconds));
  return 0;
}

LRESULT CVarloDlg::OnDropCall(WPARAM, LPARAM) {
  m_callButton.EnableWindow(FALSE);
  m_endpoint.HangUp();
  return 0;
}

LRESULT CVarloDlg::OnBalance(WPARAM text, LPARAM) {
  SetBalanceText(CString(reinterpret_cast<const char*>(text)));
  return 0;
}

BOOL CVarloDlg::OnCopyData(CWnd* wnd, COPYDATASTRUCT* data) {
  if (data && data->dwData == 0) {
    const char* bytes = static_cast<const char*>(data->lpData);
    m_numberBox.SetWindowText(bytes ? CString(bytes, static_cast<int>(data->cbData)) : CString());
    PlaceCall();
  }
  return CDialog::OnCopyData(wnd, data);
}
