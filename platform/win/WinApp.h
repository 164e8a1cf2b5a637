// CWinApp: the program's application object.  The framework's entry (RunApplication, or
// the toolkit backend's main) calls InitInstance; when that returns FALSE it goes straight
// to ExitInstance, otherwise it runs the message loop until a quit first.
#pragma once
#include "platform/core/CString.h"
#include "platform/win/Wnd.h"

class CWinApp {
 public:
  explicit CWinApp(const char* appName = nullptr);
  virtual ~CWinApp();
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;

  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance();
  // The message loop after a successful InitInstance; returns ExitInstance's result.
  virtual int Run();

  CString m_appName;           // the name given, or the executable's name
  const char* m_pszAppName;    // points into m_appName
  CWnd* m_pMainWnd = nullptr;
  HINSTANCE m_hInstance = nullptr;
  CString m_cmdLine;           // the command line after the program's name
  const char* m_lpCmdLine;     // points into m_cmdLine
  int m_exitCode = 0;          // the quit message's code
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
const char* AfxGetAppName();

namespace varlo::win {
// The framework's entry: the application object's InitInstance, the loop, ExitInstance.
// The toolkit backend calls it once its toolkit runs; tests call it directly.
int RunApplication(int argc, char** argv);
}  // namespace varlo::win
