#include "contacts/CPhoneEntryDlg.h"

#include "platform/win/DataExchange.h"

CPhoneEntryDlg::CPhoneEntryDlg(CWnd* parent) : CDialog(IDD, parent) {
  m_name.Empty();
  m_number.Empty();
}

CPhoneEntryDlg::~CPhoneEntryDlg() = default;

void CPhoneEntryDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Text(dx, kNameEdit, m_name);
  DDV_MaxChars(dx, m_name, kMaxChars);
  DDX_Text(dx, kNumberEdit, m_number);
  DDV_MaxChars(dx, m_number, kMaxChars);
}

BOOL CPhoneEntryDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  m_name.Replace(" ", "");
  m_number.Replace("\r", "");
  m_number.Replace("\n", "");
  UpdateData(FALSE);
  return TRUE;
}

void CPhoneEntryDlg::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

BOOL CPhoneEntryDlg::PreTranslateMessage(MSG* msg) {
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) return TRUE;
  return CDialog::PreTranslateMessage(msg);
}
