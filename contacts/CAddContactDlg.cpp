#include "contacts/CAddContactDlg.h"

CAddContactDlg::CAddContactDlg(CWnd* parent) : CDialog(IDD, parent) {}

CAddContactDlg::~CAddContactDlg() = default;
