#include "setup/CSetupPage2.h"

#include "engine/CUserProfile.h"
#include "platform/win/DataExchange.h"
#include "platform/win/MessageMap.h"
#include "setup/CSetupSheet.h"
#include "setup/CVoiceSheet.h"
#include "ui/VarloMessages.h"

namespace {
constexpr const char* kWizardCaption = "Voice Setting";
}  // namespace

CSetupPage2::CSetupPage2(CWnd* mainWnd, CUserProfile* profile)
    : CPropertyPage(IDD), m_pMainWnd(mainWnd), m_profile(profile) {
  // The wizard belongs to this page: the options sheet stays disabled behind it while it
  // runs, and it plays on the main window's sound channel that the sheet was given.
  m_runWizard = [this] {
    CVoiceSheet wizard(kWizardCaption, this, 0);
    wizard.m_psh.dwFlags |= PSH_WIZARD;
    wizard.m_profile = m_profile;
    auto* sheet = dynamic_cast<CSetupSheet*>(m_pParentWnd);
    wizard.m_sound = sheet ? sheet->m_sound : nullptr;
    wizard.DoModal();
  };
}

CSetupPage2::~CSetupPage2() = default;

BEGIN_MESSAGE_MAP(CSetupPage2, CPropertyPage)
  ON_NOTIFY(NM_RELEASEDCAPTURE, kDelaySlider, &CSetupPage2::OnDelaySlider)
  ON_BN_CLICKED(kWizardButton, &CSetupPage2::OnAudioWizard)
END_MESSAGE_MAP()

void CSetupPage2::DoDataExchange(CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  DDX_Control(dx, kDelaySlider, m_delaySlider);
  DDX_Control(dx, kPlayList, m_playList);
  DDX_Control(dx, kRecordList, m_recordList);
  DDX_CBIndex(dx, kRecordList, m_recordIndex);
  DDX_CBIndex(dx, kPlayList, m_playIndex);
  DDX_Text(dx, kDelayText, m_delayText);
}

void CSetupPage2::TakeProfileValues() {
  m_delayAtOpen = m_profile->m_audioDelay;
  m_playIndex = m_playList.FindString(-1, m_profile->m_playDevice);
  m_recordIndex = m_recordList.FindString(-1, m_profile->m_recordDevice);
  m_playIndexAtOpen = m_playIndex;
  m_recordIndexAtOpen = m_recordIndex;
}

BOOL CSetupPage2::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  const PStringArray players = m_deviceNames(PSoundChannel::Player);
  for (PINDEX i = 0; i < players.GetSize(); ++i) m_playList.AddString(players[i]);
  const PStringArray recorders = m_deviceNames(PSoundChannel::Recorder);
  for (PINDEX i = 0; i < recorders.GetSize(); ++i) m_recordList.AddString(recorders[i]);
  TakeProfileValues();
  m_delaySlider.SetRangeMin(kMinDelay);
  m_delaySlider.SetRangeMax(kMaxDelay);
  m_delaySlider.SetPos(m_delayAtOpen);
  m_delayText.Format("%d", m_delayAtOpen);
  UpdateData(FALSE);
  return TRUE;
}

void CSetupPage2::OnDelaySlider(NMHDR*, LRESULT* result) {
  m_profile->m_audioDelay = m_delaySlider.GetPos();
  m_delayText.Format("%d", m_profile->m_audioDelay);
  UpdateData(FALSE);
  *result = 0;
}

void CSetupPage2::OnAudioWizard() {
  if (m_runWizard) m_runWizard();
  TakeProfileValues();
  UpdateData(FALSE);
  if (m_pMainWnd && m_pMainWnd->m_hWnd) m_pMainWnd->PostMessage(WM_VARLO_DEVICES_CHANGED, 1, 1);
}

void CSetupPage2::OnOK() {
  UpdateData(TRUE);
  const BOOL playChanged = m_playIndex != m_playIndexAtOpen;
  if (playChanged) m_playList.GetLBText(m_playIndex, m_profile->m_playDevice);
  const BOOL recordChanged = m_recordIndex != m_recordIndexAtOpen;
  if (recordChanged) m_recordList.GetLBText(m_recordIndex, m_profile->m_recordDevice);
  if ((playChanged || recordChanged || m_delayAtOpen != m_profile->m_audioDelay) && m_pMainWnd && m_pMainWnd->m_hWnd) {
    m_pMainWnd->PostMessage(WM_VARLO_DEVICES_CHANGED, playChanged, recordChanged);
  }
  CPropertyPage::OnOK();
}
