// The window's timers (the first-run check and the call lamp), the busy tone and the sound
// channel while the called party rings.
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

constexpr UINT kIdsRinging = 150;

}  // namespace

std::atomic<int> g_busyToneFlag{1};

void CVarloDlg::OnTimer(UINT_PTR id) {
  if (id == kFirstRunTimer) {
    KillTimer(kFirstRunTimer);
    // Without saved audio settings the audio wizard would run here.
  } else if (id == kCallLampTimer) {
    m_lampPhase = 1 - m_lampPhase;
    if ((m_callState == 1 && m_lampPhase == 1) || (m_callState == 2 && m_lampPhase == 0)) {
      KillTimer(kCallLampTimer);
    }
    SetCallLamp(m_lampPhase == 1 ? 244 : 243);
  }
  CDialog::OnTimer(id);
}

DWORD BusyToneThread(PSoundChannel*) { return 0; }

// There is no busy tone yet.
void CVarloDlg::StartBusyTone() {}

void CVarloDlg::StopBusyTone() {
  g_busyToneFlag = 0;
  m_busyToneThread.Join();
}

void CVarloDlg::OpenRingingChannel() {}

LRESULT CVarloDlg::OnRemoteRinging(WPARAM, LPARAM) {
  OpenRingingChannel();
  ShowStatus(kIdsRinging);
  return 0;
}
