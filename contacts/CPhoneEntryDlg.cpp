#include "contacts/CPhoneEntryDlg.h"

CPhoneEntryDlg::CPhoneEntryDlg(CWnd* parent) : CDialog(IDD, parent) {}

CPhoneEntryDlg::~CPhoneEntryDlg() = default;
