#include "setup/CSetupSheet.h"

#include "engine/CUserProfile.h"
#include "platform/core/AppDir.h"
#include "platform/win/Shell.h"
#include "platform/win/WinApp.h"
#include "platform/win/WinStyles.h"
#include "ui/CVarloDlg.h"
#include "ui/ViewerCommands.h"

namespace {

// The application's main window when it is the telephone window, else `parent`.
CWnd* MainWindowOr(CWnd* parent) {
  CWnd* main = AfxGetMainWnd();
  return dynamic_cast<CVarloDlg*>(main) ? main : parent;
}

CUserProfile* ProfileOf(CWnd* mainWnd) {
  auto* dlg = dynamic_cast<CVarloDlg*>(mainWnd);
  return dlg ? dlg->GetConfig() : nullptr;
}

// What the account page may change and a sheet that was not ended with OK gives back.
struct AccountEntries {
  explicit AccountEntries(const CUserProfile& p)
      : account(p.m_account), password(p.m_password), pin(p.m_pin), keepPassword(p.m_keepPassword), keepPin(p.m_keepPin) {}
  void RestoreInto(CUserProfile& p) const {
    p.m_account = account;
    p.m_password = password;
    p.m_pin = pin;
    p.m_keepPassword = keepPassword;
    p.m_keepPin = keepPin;
  }
  CString account, password, pin;
  BOOL keepPassword, keepPin;
};

}  // namespace

// The help file in the desktop's program for compiled help, else its pages (in "help/"
// beside it) in the browser, as the main window's Help opens it.
void OpenHelpFile(const CString& path) {
  CString viewer;
  if (GetChmOpenCommand(viewer) == ERROR_SUCCESS) {
    WinExec(viewer + " " + path, SW_SHOW);
    return;
  }
  const int slash = path.ReverseFind('/');
  const CString pages = (slash >= 0 ? path.Left(slash + 1) : CString()) + "help/index.html";
  if (GetHtmlOpenCommand(viewer) == ERROR_SUCCESS) WinExec(viewer + " " + pages, SW_SHOW);
}

CSetupSheet::CSetupSheet(UINT captionId, CWnd* parent, UINT selectPage)
    : CSetupSheet(captionId, parent, selectPage, MainWindowOr(parent), ProfileOf(MainWindowOr(parent))) {}

CSetupSheet::CSetupSheet(const char* caption, CWnd* parent, UINT selectPage)
    : CPropertySheet(caption, parent, selectPage),
      m_page1(MainWindowOr(parent), ProfileOf(MainWindowOr(parent))),
      m_page2(MainWindowOr(parent), ProfileOf(MainWindowOr(parent))),
      m_profile(ProfileOf(MainWindowOr(parent))) {
  AddPages();
}

CSetupSheet::CSetupSheet(UINT captionId, CWnd* parent, UINT selectPage, CWnd* mainWnd, CUserProfile* profile)
    : CPropertySheet(captionId, parent, selectPage),
      m_page1(mainWnd, profile),
      m_page2(mainWnd, profile),
      m_profile(profile) {
  AddPages();
}

CSetupSheet::~CSetupSheet() = default;

void CSetupSheet::AddPages() {
  AddPage(&m_page1);
  AddPage(&m_page2);
  AddPage(&m_page3);
  m_psh.dwFlags |= PSH_NOAPPLYNOW | PSH_HASHELP;
  m_openHelp = &OpenHelpFile;
}

INT_PTR CSetupSheet::DoModal() {
  if (!m_profile) return -1;
  const AccountEntries before(*m_profile);
  const INT_PTR result = CPropertySheet::DoModal();
  if (result != IDOK) before.RestoreInto(*m_profile);
  return result;
}

LRESULT CSetupSheet::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_COMMAND && LOWORD(wParam) == IDOK) {
    // A page that was never shown holds no entries to check.
    if (m_page1.m_hWnd && !m_page1.ValidateAccount()) return 0;
  } else if (msg == WM_COMMAND && LOWORD(wParam) == IDHELP) {
    // The help file lies in the application directory, wherever the program was started.
    if (m_openHelp) m_openHelp(g_appDir + kHelpFileName);
    return 0;
  }
  return CPropertySheet::WindowProc(msg, wParam, lParam);
}
