// The audio set-up wizard's page 1: the playback and recording devices.
#pragma once
#include "platform/win/Controls.h"
#include "platform/win/PropertySheet.h"

class CVoiceSheet;

class CVoice_Page1 : public CPropertyPage {
 public:
  enum { IDD = 207 };
  CVoice_Page1();
  ~CVoice_Page1() override;

  CVoiceSheet* m_sheet = nullptr;
  CComboBox m_playList;    // 1030
  CComboBox m_recordList;  // 1031
  int m_recordIndex = -1;
  int m_playIndex = -1;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  LRESULT OnWizardNext() override;
};
