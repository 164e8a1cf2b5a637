#include "ui/CPhoneLogDlg.h"

#include "engine/CUserProfile.h"
#include "platform/win/DataExchange.h"
#include "platform/win/WinApp.h"
#include "ui/CNumberComboBox.h"
#include "ui/TalkLog.h"
#include "ui/VarloMessages.h"

CPhoneLogDlg::CPhoneLogDlg(CWnd* parent) : CDialog(IDD, parent), m_mainWnd(AfxGetMainWnd()) {}

void CPhoneLogDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Control(dx, kLogEdit, m_logEdit);
  DDX_Text(dx, kLogEdit, m_logText);
}

BOOL CPhoneLogDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_logText = ReadTalkLog(TalkLogPath(m_appDir));
  UpdateData(FALSE);
  m_logEdit.LineScroll(m_logEdit.GetLineCount());
  return TRUE;
}

void CPhoneLogDlg::OnClean() {
  m_logText = "";
  if (m_profile) m_profile->m_dialHistory.RemoveAll();
  if (m_numberBox) m_numberBox->ResetContent();
  UpdateData(FALSE);
  TruncateTalkLog(TalkLogPath(m_appDir));
}

void CPhoneLogDlg::TellMainWindow() {
  if (m_mainWnd && m_mainWnd->m_hWnd) m_mainWnd->PostMessage(WM_VARLO_LOG_CLOSED, 0, 0);
}

void CPhoneLogDlg::OnOK() {
  TellMainWindow();
  CDialog::OnOK();
}

// Close (WM_CLOSE) arrives here as the dialog's cancel, and so does Escape, which would
// otherwise hide the dialog without telling the main window that Log may open again.
void CPhoneLogDlg::OnCancel() {
  TellMainWindow();
  CDialog::OnCancel();
}

BEGIN_MESSAGE_MAP(CPhoneLogDlg, CDialog)
  ON_BN_CLICKED(kCleanButton, &CPhoneLogDlg::OnClean)
END_MESSAGE_MAP()
