// The volume and microphone levels: their four buttons, the level bars' clicks (in
// OnNcLButtonDown), the mixer's change notices, and the plain mixer functions that the
// main window and the audio wizard share.  A level L is written as L x 4095 and a value V
// read back as the level V / 4095.
#include <vector>

#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

const CRect kLevelBarsArea{50, 167, 220, 177};
constexpr DWORD kLevelStep = 4095;
constexpr DWORD kControlsExamined = 25;  // a line's first controls that the scan looks at

HMIXEROBJ MixerObject() { return reinterpret_cast<HMIXEROBJ>(g_hMixer); }

// All controls of a line; false when they cannot be read.
bool ReadLineControls(const MIXERLINE& line, std::vector<MIXERCONTROL>& controls) {
  controls.assign(line.cControls > 0 ? line.cControls : 1, MIXERCONTROL{});
  MIXERLINECONTROLS request{};
  request.dwLineID = line.dwLineID;
  request.cControls = line.cControls;
  request.cbmxctrl = sizeof(MIXERCONTROL);
  request.pamxctrl = controls.data();
  if (mixerGetLineControls(MixerObject(), &request, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ALL) !=
      MMSYSERR_NOERROR) {
    return false;
  }
  controls.resize(request.cControls);
  if (controls.size() > kControlsExamined) controls.resize(kControlsExamined);
  return true;
}

// One value for all channels of a control.  Control 0 names no control and is never
// addressed: a read of it fails.
BOOL GetControlValue(DWORD control, DWORD& value) {
  if (!g_hMixer) return FALSE;
  if (control == 0) {
    value = 0;
    return FALSE;
  }
  MIXERCONTROLDETAILS_UNSIGNED detail{};
  MIXERCONTROLDETAILS details{};
  details.dwControlID = control;
  details.cChannels = 1;
  details.cMultipleItems = 0;
  details.cbDetails = sizeof detail;
  details.paDetails = &detail;
  if (mixerGetControlDetails(MixerObject(), &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
      MMSYSERR_NOERROR) {
    value = 0;
    return FALSE;
  }
  value = detail.dwValue;
  return TRUE;
}

BOOL SetControlValue(DWORD control, DWORD value) {
  if (!g_hMixer || control == 0) return FALSE;
  MIXERCONTROLDETAILS_UNSIGNED detail{value};
  MIXERCONTROLDETAILS details{};
  details.dwControlID = control;
  details.cChannels = 1;
  details.cMultipleItems = 0;
  details.cbDetails = sizeof detail;
  details.paDetails = &detail;
  return mixerSetControlDetails(MixerObject(), &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
         MMSYSERR_NOERROR;
}

int LevelOf(DWORD value) {
  const DWORD level = value / kLevelStep;
  return level > CVarloDlg::kMaxLevel ? CVarloDlg::kMaxLevel : static_cast<int>(level);
}

}  // namespace

HMIXER g_hMixer = nullptr;
DWORD g_mixerDestinations = 0;
DWORD g_speakerVolumeControl = 0;
DWORD g_micVolumeControl = 0;
DWORD g_lastLineVolumeControl = 0;

HMIXER OpenMixer(HWND window, UINT index) {
  if (g_hMixer) return g_hMixer;
  if (index == static_cast<UINT>(-1)) return nullptr;
  MIXERCAPS caps{};
  g_mixerDestinations = mixerGetDevCaps(index, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.cDestinations : 0;
  HMIXER mixer = nullptr;
  const DWORD how = window ? CALLBACK_WINDOW : CALLBACK_NULL;
  if (mixerOpen(&mixer, index, reinterpret_cast<DWORD_PTR>(window), 0, how) != MMSYSERR_NOERROR) return nullptr;
  g_hMixer = mixer;
  return g_hMixer;
}

void CloseMixer() {
  if (g_hMixer) mixerClose(g_hMixer);
  g_hMixer = nullptr;
  g_speakerVolumeControl = g_micVolumeControl = g_lastLineVolumeControl = 0;
}

void FindMixerControls() {
  if (!g_hMixer) return;
  std::vector<MIXERCONTROL> controls;
  for (DWORD d = 0; d < g_mixerDestinations; ++d) {
    MIXERLINE destination{};
    destination.dwDestination = d;
    if (mixerGetLineInfo(MixerObject(), &destination, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_DESTINATION) !=
        MMSYSERR_NOERROR) {
      continue;
    }
    const bool speakers = destination.dwComponentType == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
    const bool waveIn = destination.dwComponentType == MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    if (!speakers && !waveIn) continue;
    if (!ReadLineControls(destination, controls)) continue;
    for (const MIXERCONTROL& c : controls) {
      if (c.dwControlType == MIXERCONTROL_CONTROLTYPE_VOLUME) g_lastLineVolumeControl = c.dwControlID;
    }
    for (DWORD s = 0; s < destination.cConnections; ++s) {
      MIXERLINE source{};
      source.dwDestination = d;
      source.dwSource = s;
      if (mixerGetLineInfo(MixerObject(), &source, MIXER_OBJECTF_HMIXER | MIXER_GETLINEINFOF_SOURCE) !=
          MMSYSERR_NOERROR) {
        continue;
      }
      const bool waveOut = speakers && source.dwComponentType == MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
      const bool microphone = waveIn && source.dwComponentType == MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE;
      if (source.cControls == 0) {
        if (waveOut) g_speakerVolumeControl = g_lastLineVolumeControl;
        if (microphone) g_micVolumeControl = g_lastLineVolumeControl;
        continue;
      }
      if (!ReadLineControls(source, controls)) continue;
      for (const MIXERCONTROL& c : controls) {
        if (c.dwControlType != MIXERCONTROL_CONTROLTYPE_VOLUME) continue;
        if (waveOut && g_speakerVolumeControl == 0) g_speakerVolumeControl = c.dwControlID;
        if (microphone) g_micVolumeControl = c.dwControlID;
      }
    }
  }
}

BOOL GetSpeakerVolume(DWORD& value) { return GetControlValue(g_speakerVolumeControl, value); }
BOOL GetMicVolume(DWORD& value) { return GetControlValue(g_micVolumeControl, value); }
BOOL SetSpeakerVolume(DWORD value) { return SetControlValue(g_speakerVolumeControl, value); }
BOOL SetMicVolume(DWORD value) { return SetControlValue(g_micVolumeControl, value); }

void CVarloDlg::ReopenMixer(BOOL closeFirst) {
  UINT index = 0;
  const PStringArray names = PSoundChannel::GetDeviceNames(PSoundChannel::Player);
  for (PINDEX i = 0; i < names.GetSize(); ++i) {
    if (names[i] == PString(m_profile.m_playDevice.GetString())) {
      index = static_cast<UINT>(i);
      break;
    }
  }
  if (closeFirst) CloseMixer();
  OpenMixer(m_hWnd, index);
  FindMixerControls();
  GetSpeakerVolume(m_speakerVolume);
  GetMicVolume(m_micVolume);
  m_speakerLevel = LevelOf(m_speakerVolume);
  m_micLevel = LevelOf(m_micVolume);
  InvalidateLevelBars();
}

void CVarloDlg::CloseMainMixer() { CloseMixer(); }

void CVarloDlg::InvalidateLevelBars() {
  if (m_hWnd) InvalidateRect(&kLevelBarsArea, TRUE);
}

void CVarloDlg::ChangeLevel(int& level, int delta) {
  level += delta;
  if (level < 0) level = 0;
  if (level > kMaxLevel) level = kMaxLevel;
  InvalidateLevelBars();
  const DWORD value = static_cast<DWORD>(level) * kLevelStep;
  if (&level == &m_speakerLevel) {
    SetSpeakerVolume(value);
  } else {
    SetMicVolume(value);
  }
}

void CVarloDlg::OnVolumeUp() { ChangeLevel(m_speakerLevel, 1); }
void CVarloDlg::OnVolumeDown() { ChangeLevel(m_speakerLevel, -1); }
void CVarloDlg::OnMicUp() { ChangeLevel(m_micLevel, 1); }
void CVarloDlg::OnMicDown() { ChangeLevel(m_micLevel, -1); }

LRESULT CVarloDlg::OnMixerControlChange(WPARAM mixer, LPARAM control) {
  const bool ours = g_hMixer && reinterpret_cast<HMIXER>(mixer) == g_hMixer;
  if (ours && control != 0 && static_cast<DWORD>(control) == g_speakerVolumeControl) {
    GetSpeakerVolume(m_speakerVolume);
    m_speakerLevel = LevelOf(m_speakerVolume);
  }
  if (ours && control != 0 && static_cast<DWORD>(control) == g_micVolumeControl) {
    GetMicVolume(m_micVolume);
    m_micLevel = LevelOf(m_micVolume);
  }
  InvalidateLevelBars();
  return 0;
}
