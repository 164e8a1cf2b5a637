// The audio set-up wizard: from the menu, the handset, the first-run timer, and before a
// call when a sound device is missing.
#include "platform/win/Resources.h"
#include "setup/CVoiceSheet.h"
#include "stack/sound/PSoundChannel.h"
#include "ui/CVarloDlg.h"

namespace {
constexpr UINT kWizardCaption = 153;  // "Voice Setting"
}  // namespace

void CVarloDlg::OnAudioWizard() {
  const CString caption = AfxLoadString(kWizardCaption);
  CVoiceSheet sheet(caption.GetString(), this, 0);
  sheet.m_psh.dwFlags |= PSH_WIZARD;
  sheet.m_profile = &m_profile;
  sheet.m_sound = &m_sound;
  sheet.DoModal();
  // The wizard's volume page took the mixer over; it follows the chosen playback device
  // and reports to this window again.
  ReopenMixer();
}

void CVarloDlg::CheckSoundDevices() {
  const PString play(m_profile.m_playDevice.GetString());
  const PString record(m_profile.m_recordDevice.GetString());
  const bool havePlay = PSoundChannel::GetDeviceNames(PSoundChannel::Player).GetStringsIndex(play) != P_MAX_INDEX;
  const bool haveRecord =
      PSoundChannel::GetDeviceNames(PSoundChannel::Recorder).GetStringsIndex(record) != P_MAX_INDEX;
  if (!havePlay || !haveRecord) OnAudioWizard();
}
