// The audio set-up wizard's page 2: the test sound and the speaker volume.
//
// Test plays "Busy.wav" from the application folder over and over on the wizard's sound
// channel (the main window's), on a thread of this page, until Test is pressed again or
// the page is left; a stop ends it after the playback in progress.  At most one such
// thread runs; it is joined before another starts and before the page's window goes
// (closing the wizard cuts the playback short).  A play that fails (no device, no file)
// is retried after a pause, never in a busy loop.  When the main window re-opens the
// channel for a sound of its own, the test sound leaves the channel to it.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/core/CString.h"
#include "platform/core/WorkerThread.h"
#include "platform/win/PropertySheet.h"

class CVoiceSheet;
class PSoundChannel;

class CVoice_Page2 : public CPropertyPage {
 public:
  enum { IDD = 208 };
  CVoice_Page2();
  ~CVoice_Page2() override;

  CVoiceSheet* m_sheet = nullptr;
  BOOL m_running = FALSE;  // the test sound is playing
  int m_volumePos = 0;     // slider 1025, 0 to 100

  bool TestSoundRunning() const { return m_testSound.IsRunning(); }

  // Pause before a failed play of the test sound is tried again.
  static constexpr int kRetryMs = 500;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  LRESULT OnWizardBack() override;
  LRESULT OnWizardNext() override;
  void OnCancel() override;
  void OnVolumeSlider(NMHDR* header, LRESULT* result);
  void OnTest();
  void OnDestroy();
  DECLARE_MESSAGE_MAP()

 private:
  void StopTestSound();
  // Stops the test sound at once (cutting the playback short) and joins its thread.
  void EndTestSound();
  void TestSoundThread(PSoundChannel* channel, uint64_t opened, const CString& path);

  std::mutex m_stopMutex;
  std::condition_variable m_stopChanged;
  bool m_stop = true;                 // asks the test-sound thread to end
  uint64_t m_testOpened = 0;  // the channel's open count once the test opened it
  WorkerThread m_testSound;
};
