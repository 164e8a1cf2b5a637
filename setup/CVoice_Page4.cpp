#include "setup/CVoice_Page4.h"

#include "engine/CUserProfile.h"
#include "platform/win/WinApp.h"
#include "setup/CVoiceSheet.h"
#include "ui/VarloMessages.h"

CVoice_Page4::CVoice_Page4() : CPropertyPage(IDD) {}

CVoice_Page4::~CVoice_Page4() = default;

BOOL CVoice_Page4::OnSetActive() {
  m_sheet->PostMessage(PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_FINISH);
  return CPropertyPage::OnSetActive();
}

BOOL CVoice_Page4::OnWizardFinish() {
  if (m_sheet->m_profile) {
    m_sheet->m_profile->m_playDevice = m_sheet->m_playDevice;
    m_sheet->m_profile->m_recordDevice = m_sheet->m_recordDevice;
  }
  if (CWnd* main = AfxGetMainWnd()) main->PostMessage(WM_VARLO_DEVICES_CHANGED, 1, 1);
  return CPropertyPage::OnWizardFinish();
}
