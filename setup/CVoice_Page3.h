// The audio set-up wizard's page 3: the recording level meter.  The recorder runs while
// the page is shown; a timer reads its latest buffer ten times a second.
#pragma once
#include "platform/win/Controls.h"
#include "platform/win/PropertySheet.h"
#include "setup/CWaveInRecorder.h"

class CVoiceSheet;

class CVoice_Page3 : public CPropertyPage {
 public:
  enum { IDD = 209 };
  CVoice_Page3();
  ~CVoice_Page3() override;

  CVoiceSheet* m_sheet = nullptr;
  CWaveInRecorder m_recorder;
  CProgressCtrl m_levelBar;  // 1050

  static constexpr UINT_PTR kMeterTimer = 1;
  static constexpr int kMeterSamples = 400;

 protected:
  void DoDataExchange(CDataExchange* dx) override;
  BOOL OnInitDialog() override;
  BOOL OnSetActive() override;
  LRESULT OnWizardBack() override;
  LRESULT OnWizardNext() override;
  void OnCancel() override;
  void OnTimer(UINT_PTR id);
  void OnDestroy();
  DECLARE_MESSAGE_MAP()
};
