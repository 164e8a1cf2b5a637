#include "contacts/CAddContactDlg.h"

#include "contacts/CPhoneBookDlg.h"
#include "contacts/ContactFile.h"
#include "platform/win/DataExchange.h"
#include "platform/win/ListCtrl.h"
#include "platform/win/Resources.h"

namespace {
constexpr UINT kModifyText = 151;
constexpr UINT kModifyTitle = 152;
}  // namespace

CAddContactDlg::CAddContactDlg(CPhoneBookDlg* book)
    : CDialog(IDD, book), m_contactList(book ? &book->m_contactList : nullptr) {}

CAddContactDlg::~CAddContactDlg() = default;

void CAddContactDlg::DoDataExchange(CDataExchange* dx) {
  CDialog::DoDataExchange(dx);
  DDX_Control(dx, IDOK, m_okButton);
  DDX_Text(dx, kBusinessTelEdit, m_businessTel);
  DDX_Text(dx, kEmailEdit, m_email);
  DDX_Text(dx, kHomeTelEdit, m_homeTel);
  DDX_Text(dx, kMobileTelEdit, m_mobileTel);
  DDX_Text(dx, kNameEdit, m_name);
}

BOOL CAddContactDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  if (m_editIndex >= 0 && m_contactList) {
    SetWindowText(AfxLoadString(kModifyTitle));
    m_okButton.SetWindowText(AfxLoadString(kModifyText));
    m_name = m_contactList->GetItemText(m_editIndex, kContactName);
    m_email = m_contactList->GetItemText(m_editIndex, kContactEmail);
    m_businessTel = m_contactList->GetItemText(m_editIndex, kContactBusinessTel);
    m_homeTel = m_contactList->GetItemText(m_editIndex, kContactHomeTel);
    m_mobileTel = m_contactList->GetItemText(m_editIndex, kContactMobileTel);
    UpdateData(FALSE);
  }
  return TRUE;
}

void CAddContactDlg::OnOK() {
  UpdateData(TRUE);
  const bool modify = m_editIndex >= 0;
  if (!m_name.IsEmpty() && m_contactList) {
    if (modify) m_contactList->DeleteItem(m_editIndex);
    const int item = m_contactList->InsertItem(m_contactList->GetItemCount(), m_name);
    if (item >= 0) {
      m_contactList->SetItemText(item, kContactEmail, m_email);
      m_contactList->SetItemText(item, kContactBusinessTel, m_businessTel);
      m_contactList->SetItemText(item, kContactHomeTel, m_homeTel);
      m_contactList->SetItemText(item, kContactMobileTel, m_mobileTel);
      m_contactList->SetItemState(item, 0, LVIS_SELECTED_STATE | LVIS_FOCUSED_STATE);
    }
  }
  if (modify) {
    EndDialog(IDOK);
    return;
  }
  m_name.Empty();
  m_email.Empty();
  m_businessTel.Empty();
  m_homeTel.Empty();
  m_mobileTel.Empty();
  if (CWnd* name = GetDlgItem(kNameEdit)) name->SetFocus();
  UpdateData(FALSE);
}
