// The audio set-up wizard's page 4: Finish stores the chosen devices in the profile and
// tells the main window that both changed.
#pragma once
#include "platform/win/PropertySheet.h"

class CVoiceSheet;

class CVoice_Page4 : public CPropertyPage {
 public:
  enum { IDD = 210 };
  CVoice_Page4();
  ~CVoice_Page4() override;

  CVoiceSheet* m_sheet = nullptr;

 protected:
  BOOL OnSetActive() override;
  BOOL OnWizardFinish() override;
};
