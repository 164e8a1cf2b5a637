#include "contacts/CPhoneBookDlg.h"

CPhoneBookDlg::CPhoneBookDlg(CWnd* parent) : CDialog(IDD, parent) {}

CPhoneBookDlg::~CPhoneBookDlg() = default;

void CPhoneBookDlg::SetBookFile(const CString& path) { m_bookFile = path; }
