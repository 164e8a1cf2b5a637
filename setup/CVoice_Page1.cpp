#include "setup/CVoice_Page1.h"

#include "engine/CUserProfile.h"
#include "platform/win/DataExchange.h"
#include "setup/CVoiceSheet.h"
#include "stack/sound/PSoundChannel.h"

namespace {
constexpr int kPlayList = 1030;
constexpr int kRecordList = 1031;
}  // namespace

CVoice_Page1::CVoice_Page1() : CPropertyPage(IDD) {}

CVoice_Page1::~CVoice_Page1() = default;

void CVoice_Page1::DoDataExchange(CDataExchange* dx) {
  CPropertyPage::DoDataExchange(dx);
  DDX_Control(dx, kPlayList, m_playList);
  DDX_Control(dx, kRecordList, m_recordList);
  DDX_CBIndex(dx, kRecordList, m_recordIndex);
  DDX_CBIndex(dx, kPlayList, m_playIndex);
}

BOOL CVoice_Page1::OnInitDialog() {
  CPropertyPage::OnInitDialog();
  for (const PString& name : PSoundChannel::GetDeviceNames(PSoundChannel::Player)) m_playList.AddString(name);
  for (const PString& name : PSoundChannel::GetDeviceNames(PSoundChannel::Recorder)) m_recordList.AddString(name);
  const CUserProfile* profile = m_sheet ? m_sheet->m_profile : nullptr;
  m_playIndex = profile ? m_playList.FindString(-1, profile->m_playDevice.GetString()) : -1;
  m_recordIndex = profile ? m_recordList.FindString(-1, profile->m_recordDevice.GetString()) : -1;
  if (m_playIndex == -1) m_playIndex = 0;
  if (m_recordIndex == -1) m_recordIndex = 0;
  UpdateData(FALSE);
  return TRUE;
}

BOOL CVoice_Page1::OnSetActive() {
  m_sheet->PostMessage(PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
  return CPropertyPage::OnSetActive();
}

LRESULT CVoice_Page1::OnWizardNext() {
  UpdateData(TRUE);
  m_playList.GetLBText(m_playIndex, m_sheet->m_playDevice);
  m_recordList.GetLBText(m_recordIndex, m_sheet->m_recordDevice);
  m_sheet->m_recordIndex = m_recordIndex;
  return CPropertyPage::OnWizardNext();
}
