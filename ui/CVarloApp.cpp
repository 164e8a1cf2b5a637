#include "ui/CVarloApp.h"

#include <cerrno>
#include <cstdio>
#include <thread>

#include "contacts/QuickDialFile.h"
#include "engine/CUserProfile.h"
#include "engine/OptionFiles.h"
#include "platform/core/CFile.h"
#include "platform/core/RegularFile.h"
#include "platform/win/Mixer.h"
#include "platform/win/Resources.h"
#include "platform/win/Startup.h"
#include "stack/sound/PSoundChannel.h"
#include "ui/CVarloDlg.h"

namespace {

constexpr int kModulePathBytes = 260;
constexpr int kLanguageLineBytes = 125;  // 124 characters and the terminator

CString DirectoryPart(const CString& path) {
  const int slash = path.ReverseFind('/');
  return slash > 0 ? path.Left(slash) : CString(".");
}

// What saves of the data files in `dir` left when an earlier run was killed during one.
void RemoveLeftoversOfInterruptedSaves(const CString& dir) {
  RemoveStaleTemporaryFiles(dir, {CUserProfile::kAudioFileName, CUserProfile::kUiFileName,
                                  CUserProfile::kClientFileName, CUserProfile::kCallsFileName,
                                  CUserProfile::kBookFileName, quickdial::kFileName, kOptionFileName,
                                  kLanguageIniName});
}

}  // namespace

CString ApplicationDirectoryFromModulePath(const CString& modulePath) {
  const int slash = modulePath.ReverseFind('/');
  CString name = modulePath.Mid(slash + 1);
  name.MakeUpper();
  if (slash > 0 && (name == "VARLO" || name == "VARLO.EXE")) return modulePath.Left(slash);
  return modulePath;
}

int LanguageFromFirstLine(const CString& line) {
  switch (line[0]) {
    case '1':
      return CVarloApp::kLanguageSimplified;
    case '2':
      return CVarloApp::kLanguageTraditional;
    default:
      return CVarloApp::kLanguageEnglish;
  }
}

CVarloApp::CVarloApp() : CWinApp(nullptr) {}

CVarloApp::~CVarloApp() {
  if (m_instanceMutex) CloseHandle(m_instanceMutex);
}

CString CVarloApp::ModulePath() const {
  if (!m_modulePath.IsEmpty()) return m_modulePath;
  char path[kModulePathBytes] = {};
  GetModuleFileNameA(GetModuleHandleA("Varlo"), path, sizeof(path));
  return CString(path);
}

BOOL CVarloApp::InitInstance() {
  // 1-2: one instance only.  The handle stays open as long as the application object,
  // so the name stays taken for the life of the process.
  HANDLE mutex = CreateMutexA(nullptr, TRUE, kInstanceMutexName);
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(mutex);
    TellAlreadyRunning();
    return FALSE;
  }
  ReleaseMutex(mutex);
  if (m_instanceMutex) CloseHandle(m_instanceMutex);
  m_instanceMutex = mutex;

  // The main window's start asks for the sound devices several times (its sound channels,
  // its mixer), and a look at the sound system costs milliseconds: it is taken on a thread
  // of its own while the window is built, and kept for the window's asking.
  const std::jthread soundDevices([] {
    PSoundChannel::GetDeviceNames(PSoundChannel::Player);
    mixerGetNumDevs();
  });

  // Only now that no other start of this program can be saving here.
  RemoveLeftoversOfInterruptedSaves(DirectoryPart(ModulePath()));

  // 3-4
  AfxEnableControlContainer();
  AfxSocketInit();
  Enable3dControls();
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);

  // 5-7: the language file beside the executable, created with "0" when missing.
  const CString modulePath = ModulePath();
  const CString appDirectory = ApplicationDirectoryFromModulePath(modulePath);
  CString languageFile;
  languageFile.Format("%s/%s", appDirectory.GetString(), kLanguageFileName);
  char line[kLanguageLineBytes] = {'0', '\0'};
  // Only a regular file is read, and only a missing one is created: a FIFO in its place
  // must not hold the start.
  if (FILE* file = FopenRegularFileForReading(languageFile)) {
    if (!std::fgets(line, sizeof(line), file)) line[0] = '\0';
    std::fclose(file);
  } else if (errno != ENOENT) {
    // something else stands there: keep the default language and leave it alone
  } else if (FILE* created = std::fopen(languageFile, "wx")) {
    std::fputs("0", created);
    std::fclose(created);
  }

  // 8-9: both libraries, whatever the language.
  const CString libraryDirectory = DirectoryPart(modulePath);
  m_hChinaDll = nullptr;
  m_language = kLanguageEnglish;
  m_hOwnResources = AfxGetResourceHandle();
  m_hChinaDll = AfxLoadLibrary(libraryDirectory + "/" + kChinaLibrary);
  m_hTraditionalDll = AfxLoadLibrary(libraryDirectory + "/" + kTraditionalLibrary);
  m_language = LanguageFromFirstLine(CString(line));

  // 10-11: the main window on this stack; its modal loop is the program's.
  {
    CVarloDlg dlg(libraryDirectory, m_profileServices);
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
  }
  return FALSE;
}

int CVarloApp::ExitInstance() {
  AfxSetResourceHandle(m_hOwnResources ? m_hOwnResources : AfxGetInstanceHandle());
  if (m_hChinaDll) AfxFreeLibrary(m_hChinaDll);
  if (m_hTraditionalDll) AfxFreeLibrary(m_hTraditionalDll);
  m_hChinaDll = nullptr;
  m_hTraditionalDll = nullptr;
  return CWinApp::ExitInstance();
}

void CVarloApp::SelectLanguageResources() const {
  if (m_language == kLanguageSimplified && m_hChinaDll) {
    AfxSetResourceHandle(m_hChinaDll);
  } else if (m_language == kLanguageTraditional && m_hTraditionalDll) {
    AfxSetResourceHandle(m_hTraditionalDll);
  }
}
