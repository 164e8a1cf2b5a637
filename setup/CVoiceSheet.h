// The audio set-up wizard "Voice Setting": playback and recording devices, a test sound
// with the speaker volume, a level meter, and the finish page.  Only Finish changes the
// profile; the opener gives the wizard the profile and the main window's sound channel.
#pragma once
#include "platform/core/CString.h"
#include "platform/win/PropertySheet.h"
#include "setup/CVoice_Page1.h"
#include "setup/CVoice_Page2.h"
#include "setup/CVoice_Page3.h"
#include "setup/CVoice_Page4.h"

class CUserProfile;
class PSoundChannel;

class CVoiceSheet : public CPropertySheet {
  DECLARE_DYNAMIC(CVoiceSheet)

 public:
  CVoiceSheet(UINT captionId, CWnd* parent = nullptr, UINT selectPage = 0);
  CVoiceSheet(const char* caption, CWnd* parent = nullptr, UINT selectPage = 0);
  ~CVoiceSheet() override;

  CVoice_Page1 m_page1;
  CVoice_Page2 m_page2;
  CVoice_Page3 m_page3;
  CVoice_Page4 m_page4;
  // The devices chosen on page 1 (set by its Next).
  CString m_playDevice;
  CString m_recordDevice;
  // Given by the opener before the wizard runs.
  CUserProfile* m_profile = nullptr;
  PSoundChannel* m_sound = nullptr;
  // The chosen recording device's position in the recording device list.
  int m_recordIndex = 0;

 private:
  void AddPages();
};
