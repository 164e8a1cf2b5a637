// The volume and microphone levels: their four buttons, the level bars' clicks (in
// OnNcLButtonDown) and the mixer behind them.  There is no mixer yet: the levels only move
// the bars.
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

const CRect kLevelBarsArea{50, 167, 220, 177};

}  // namespace

HMIXER g_hMixer = nullptr;
DWORD g_mixerDestinations = 0;
DWORD g_speakerVolumeControl = 0;
DWORD g_micVolumeControl = 0;
DWORD g_lastLineVolumeControl = 0;

HMIXER OpenMixer(HWND, UINT) { return g_hMixer; }

void CloseMixer() {
  g_hMixer = nullptr;
  g_speakerVolumeControl = g_micVolumeControl = g_lastLineVolumeControl = 0;
}

void FindMixerControls() {}
BOOL GetSpeakerVolume(DWORD&) { return FALSE; }
BOOL GetMicVolume(DWORD&) { return FALSE; }
BOOL SetSpeakerVolume(DWORD) { return FALSE; }
BOOL SetMicVolume(DWORD) { return FALSE; }

void CVarloDlg::ReopenMixer(BOOL) {}

void CVarloDlg::CloseMainMixer() { CloseMixer(); }

void CVarloDlg::InvalidateLevelBars() {
  if (m_hWnd) InvalidateRect(&kLevelBarsArea, TRUE);
}

void CVarloDlg::ChangeLevel(int& level, int delta) {
  level += delta;
  if (level < 0) level = 0;
  if (level > kMaxLevel) level = kMaxLevel;
  InvalidateLevelBars();
}

void CVarloDlg::OnVolumeUp() { ChangeLevel(m_speakerLevel, 1); }
void CVarloDlg::OnVolumeDown() { ChangeLevel(m_speakerLevel, -1); }
void CVarloDlg::OnMicUp() { ChangeLevel(m_micLevel, 1); }
void CVarloDlg::OnMicDown() { ChangeLevel(m_micLevel, -1); }

LRESULT CVarloDlg::OnMixerControlChange(WPARAM, LPARAM) {
  InvalidateLevelBars();
  return 0;
}

