#include "contacts/CQuickDialDlg.h"

CQuickDialDlg::CQuickDialDlg(CWnd* parent) : CDialog(IDD, parent) {}

CQuickDialDlg::~CQuickDialDlg() = default;

BOOL CQuickDialDlg::Create() { return CDialog::Create(IDD, nullptr); }
