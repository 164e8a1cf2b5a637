#include "setup/CVoice_Page2.h"

#include <chrono>
#include <thread>

#include "engine/CUserProfile.h"
#include "platform/core/AppDir.h"
#include "platform/win/DataExchange.h"
#include "setup/CVoiceSheet.h"
#include "stack/sound/PSoundChannel.h"
#include "ui/CVarloDlg.h"

namespace {
constexpr int kVolumeSlider = 1025;
constexpr int kTestButton = 1026;
constexpr DWORD kVolumeStep = 655;  // mixer volume per slider position
}  // namespace

BEGIN_MESSAGE_MAP(CVoice_Page2, CPropertyPage)
  ON_NOTIFY(NM_RELEASEDCAPTURE, kVolumeSlider, &CVoice_Page2::OnVolumeSlider)
  ON_BN_CLICKED(kTestButton, &CVoice_Page2::OnTest)
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CVoice_Page2::CVoice_Page2() : CPropertyPage(IDD) {}

// The window's destruction has ended the test sound already (the sheet destroys its window
// before its pages); this only makes sure.
CVoice_Page2::~CVoice_Page2() {
  StopTestSound();
  m_testSound.Join();
}

void CVoice_Page2::DoDataExchange(CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  DDX_Slider(dx, kVolumeSlider, m_volumePos);
}

BOOL CVoice_Page2::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  m_running = FALSE;
  return TRUE;
}

BOOL CVoice_Page2::OnSetActive() {
  const PStringArray players = PSoundChannel::GetDeviceNames(PSoundChannel::Player);
  const PINDEX found = players.GetStringsIndex(PString(m_sheet->m_playDevice.GetString()));
  const UINT index = found == P_MAX_INDEX ? 0 : static_cast<UINT>(found);
  CloseMixer();
  OpenMixer(m_hWnd, index);
  FindMixerControls();
  // Without a mixer there is no volume to show or set: the slider rests at 0, disabled.
  DWORD volume = 0;
  const BOOL haveVolume = GetSpeakerVolume(volume);
  m_volumePos = static_cast<int>(volume / kVolumeStep);
  UpdateData(FALSE);
  ::EnableWindow(::GetDlgItem(m_hWnd, kVolumeSlider), haveVolume);
  m_sheet->PostMessage(PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_NEXT);
  return CPropertyPage::OnSetActive();
}

void CVoice_Page2::OnVolumeSlider(NMHDR*, LRESULT* result) {
  UpdateData(TRUE);
  SetSpeakerVolume(static_cast<DWORD>(m_volumePos) * kVolumeStep);
  *result = 0;
}

void CVoice_Page2::OnTest() {
  if (m_running) {
    SetDlgItemText(kTestButton, "Test");
    m_running = FALSE;
    StopTestSound();
    return;
  }
  // A test sound still finishing its playback ends now, so that only one plays.
  EndTestSound();
  SetDlgItemText(kTestButton, "Stop");
  m_running = TRUE;
  {
    std::lock_guard lock(m_stopMutex);
    m_stop = false;
  }
  PSoundChannel* channel = m_sheet->m_sound;
  if (!channel) return;
  channel->SetBuffers(65536, 2);
  channel->Open(PString(m_sheet->m_playDevice.GetString()), PSoundChannel::Player, 1, 8000, 16);
  const CString path = (m_sheet->m_profile ? m_sheet->m_profile->m_appDir : g_appDir) + "Busy.wav";
  const uint64_t opened = m_testOpened = channel->GetOpenCount();
  m_testSound.Start([this, channel, opened, path] { TestSoundThread(channel, opened, path); });
}

void CVoice_Page2::TestSoundThread(PSoundChannel* channel, uint64_t opened, const CString& path) {
  const PString file(path.GetString());
  // The channel is the test's while nobody else has opened it since the test did; once
  // the main window re-opens it for a sound of its own, the test leaves it to the window.
  const auto ours = [channel, opened] { return channel->GetOpenCount() == opened; };
  std::unique_lock lock(m_stopMutex);
  while (!m_stop) {
    lock.unlock();
    if (!ours()) return;
    const bool idle = channel->HasPlayCompleted();
    const bool played = idle && channel->PlayFile(file, true);
    if (!ours()) return;
    lock.lock();
    if (!played) {
      // Something else plays on the channel, or the device or the file failed.
      m_stopChanged.wait_for(lock, std::chrono::milliseconds(idle ? kRetryMs : 20), [this] { return m_stop; });
    }
  }
  lock.unlock();
  if (ours()) channel->Close();
}

void CVoice_Page2::StopTestSound() {
  std::lock_guard lock(m_stopMutex);
  m_stop = true;
  m_stopChanged.notify_all();
}

void CVoice_Page2::EndTestSound() {
  StopTestSound();
  PSoundChannel* channel = m_sheet ? m_sheet->m_sound : nullptr;
  while (m_testSound.IsRunning()) {
    // Cuts the playback in progress short, unless the channel is the main window's again.
    if (channel && channel->GetOpenCount() == m_testOpened) channel->Abort();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  m_testSound.Join();
}

LRESULT CVoice_Page2::OnWizardBack() {
  StopTestSound();
  SetDlgItemText(kTestButton, "Test");
  m_running = FALSE;
  return CPropertyPage::OnWizardBack();
}

LRESULT CVoice_Page2::OnWizardNext() {
  StopTestSound();
  SetDlgItemText(kTestButton, "Test");
  m_running = FALSE;
  return CPropertyPage::OnWizardNext();
}

void CVoice_Page2::OnCancel() {
  StopTestSound();
  CPropertyPage::OnCancel();
}

void CVoice_Page2::OnDestroy() {
  EndTestSound();
  CPropertyPage::OnDestroy();
}
