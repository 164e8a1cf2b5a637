#include "setup/CVoice_Page3.h"

#include "platform/win/DataExchange.h"
#include "setup/CVoiceSheet.h"
#include "setup/VoiceLevel.h"

namespace {
constexpr int kLevelBar = 1050;
constexpr UINT kMeterPeriodMs = 100;
}  // namespace

BEGIN_MESSAGE_MAP(CVoice_Page3, CPropertyPage)
  ON_WM_TIMER()
  ON_WM_DESTROY()
END_MESSAGE_MAP()

CVoice_Page3::CVoice_Page3() : CPropertyPage(IDD) {}

CVoice_Page3::~CVoice_Page3() { m_recorder.Stop(); }

void CVoice_Page3::DoDataExchange(CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  DDX_Control(dx, kLevelBar, m_levelBar);
}

BOOL CVoice_Page3::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  return TRUE;
}

BOOL CVoice_Page3::OnSetActive() {
  m_sheet->PostMessage(PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_NEXT);
  m_recorder.Start(static_cast<UINT>(m_sheet->m_recordIndex));
  SetTimer(kMeterTimer, kMeterPeriodMs);
  return CPropertyPage::OnSetActive();
}

void CVoice_Page3::OnTimer(UINT_PTR id) {
  if (id != kMeterTimer) {
    CPropertyPage::OnTimer(id);
    return;
  }
  int16_t samples[kMeterSamples];
  m_recorder.GetSamples(samples, kMeterSamples);
  m_levelBar.SendMessage(PBM_SETPOS, static_cast<WPARAM>(VoiceLevelPosition(samples, kMeterSamples)));
}

LRESULT CVoice_Page3::OnWizardBack() {
  m_recorder.Stop();
  return CPropertyPage::OnWizardBack();
}

LRESULT CVoice_Page3::OnWizardNext() {
  m_recorder.Stop();
  return CPropertyPage::OnWizardNext();
}

void CVoice_Page3::OnCancel() {
  m_recorder.Stop();
  CPropertyPage::OnCancel();
}

void CVoice_Page3::OnDestroy() {
  m_recorder.Stop();
  CPropertyPage::OnDestroy();
}
