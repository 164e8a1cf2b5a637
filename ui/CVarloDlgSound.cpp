// The window's timers (the first-run check and the call lamp), the busy tone and the sound
// channel around a call.  The busy tone plays on the window's channel from a thread of its
// own, which the window joins before the channel goes; at most one plays at a time.
#include "platform/core/AppDir.h"
#include "platform/core/CFile.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

constexpr UINT kIdsRinging = 150;
constexpr int kBusyToneRounds = 6;
constexpr const char* kBusyToneFile = "Busy.wav";

}  // namespace

std::atomic<int> g_busyToneFlag{1};

void CVarloDlg::OnTimer(UINT_PTR id) {
  if (id == kFirstRunTimer) {
    KillTimer(kFirstRunTimer);
    // No audio settings were ever saved: this is the first start.
    CFile audio;
    if (audio.Open(m_profile.m_audioFile, CFile::modeRead)) {
      audio.Close();
    } else {
      OnAudioWizard();
    }
  } else if (id == kCallLampTimer) {
    m_lampPhase = 1 - m_lampPhase;
    if ((m_callState == 1 && m_lampPhase == 1) || (m_callState == 2 && m_lampPhase == 0)) {
      KillTimer(kCallLampTimer);
    }
    SetCallLamp(m_lampPhase == 1 ? 244 : 243);
  } else if (id == kExitTimer) {
    KillTimer(kExitTimer);
    if (m_exitPending) PostQuitMessage(0);
  }
  CDialog::OnTimer(id);
}

// The busy tone, found in the application directory (a program started from a desktop
// launcher does not run in its own directory).
DWORD BusyToneThread(PSoundChannel* channel) {
  const PString file((g_appDir + kBusyToneFile).GetString());
  for (int round = 0; round < kBusyToneRounds; ++round) {
    if (g_busyToneFlag == 0) break;
    channel->PlayFile(file, true);
  }
  return 0;
}

void CVarloDlg::StartBusyTone() {
  // One tone at a time: a tone still playing from an earlier busy end is ended first, since
  // two threads on one channel would cut each other's plays short.
  StopBusyTone();
  g_busyToneFlag = 1;
  m_sound.Open(PString(m_profile.m_playDevice.GetString()), PSoundChannel::Player, 1, 8000, 16);
  m_busyToneThread.Start([this] { BusyToneThread(&m_sound); });
}

void CVarloDlg::StopBusyTone() {
  g_busyToneFlag = 0;
  // The play in progress is cut short rather than waited for.
  m_sound.Abort();
  m_busyToneThread.Join();
}

// Nothing is played while the called party rings, so the channel holds no device then: the
// call's own media may need the same device, and a card without mixing in hardware opens
// only once.  A key click or a busy tone left open is released here too.
void CVarloDlg::OpenRingingChannel() { m_sound.Close(); }

LRESULT CVarloDlg::OnRemoteRinging(WPARAM, LPARAM) {
  OpenRingingChannel();
  ShowStatus(kIdsRinging);
  return 0;
}
