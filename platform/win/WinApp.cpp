#include "platform/win/WinApp.h"

#include "platform/win/ShutdownSignals.h"

#include <unistd.h>

#include <string>

#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"

namespace {
CWinApp*& TheApp() {
  static CWinApp* app = nullptr;
  return app;
}

std::string ExecutableName() {
  char path[4096];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
  if (n <= 0) return "Varlo";
  std::string s(path, static_cast<size_t>(n));
  s = s.substr(s.rfind('/') + 1);
  if (const size_t dot = s.rfind('.'); dot != std::string::npos && dot > 0) s.erase(dot);
  return s;
}
}  // namespace

CWinApp::CWinApp(const char* appName)
    : m_appName(appName ? CString(appName) : CString(ExecutableName())), m_lpCmdLine(nullptr) {
  m_pszAppName = m_appName.GetString();
  m_lpCmdLine = m_cmdLine.GetString();
  m_hInstance = AfxGetInstanceHandle();
  TheApp() = this;
}

CWinApp::~CWinApp() {
  if (TheApp() == this) TheApp() = nullptr;
}

int CWinApp::ExitInstance() { return m_exitCode; }

int CWinApp::Run() {
  varlo::win::MessageSystem& sys = varlo::win::MessageSystem::Instance();
  sys.RunLoop([] { return false; });
  m_exitCode = sys.QuitCode();
  return ExitInstance();
}

CWinApp* AfxGetApp() { return TheApp(); }

CWnd* AfxGetMainWnd() {
  CWinApp* app = AfxGetApp();
  return app ? app->m_pMainWnd : nullptr;
}

const char* AfxGetAppName() {
  CWinApp* app = AfxGetApp();
  return app ? app->m_pszAppName : "Varlo";
}

namespace varlo::win {

int RunApplication(int argc, char** argv) {
  CWinApp* app = AfxGetApp();
  if (!app) return 1;
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i];
  }
  app->m_cmdLine = CString(line);
  app->m_lpCmdLine = app->m_cmdLine.GetString();
  // A request to end from the system (SIGTERM, SIGINT, SIGHUP) leaves the loops as a quit
  // would, so that the windows close and save.
  ShutdownSignalWatcher signals;
  if (!app->InitInstance()) return app->ExitInstance();
  return app->Run();
}

}  // namespace varlo::win
