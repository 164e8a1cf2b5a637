// CVarloApp: the program's application object.  Its start-up makes sure only one instance
// runs, reads the interface language from "Varlo.ini" beside the executable, loads both
// Chinese resource libraries and runs the main window modally; that modal loop is the
// program's main loop, and start-up always returns FALSE so that the framework goes
// straight to the exit routine.
#pragma once
#include "engine/ProfileServices.h"
#include "platform/core/CString.h"
#include "platform/win/WinApp.h"
#include "stack/ptlib/PProcess.h"

class CVarloApp : public CWinApp {
 public:
  // The name of the single-instance mutex: a GUID in upper-case hexadecimal with
  // underscores between its groups.
  static constexpr const char* kInstanceMutexName = "8E4F2A17_3C6B_4D95_A0E8_71B5C9D2F364";
  static constexpr const char* kLanguageFileName = "Varlo.ini";
  static constexpr const char* kChinaLibrary = "China.dll";
  static constexpr const char* kTraditionalLibrary = "Traditional.dll";
  static constexpr int kLanguageEnglish = 0;
  static constexpr int kLanguageSimplified = 1;
  static constexpr int kLanguageTraditional = 2;

  CVarloApp();
  ~CVarloApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;

  // Makes the chosen language's library the module's resource handle when that library
  // loaded; otherwise the executable's own resources stay in force.
  void SelectLanguageResources() const;

  HINSTANCE m_hChinaDll = nullptr;
  HINSTANCE m_hOwnResources = nullptr;
  HINSTANCE m_hTraditionalDll = nullptr;
  int m_language = kLanguageEnglish;

  // Where start-up believes the executable lies (empty: the running executable), and the
  // system services the main window's profile uses.  Tests point both elsewhere.
  CString m_modulePath;
  ProfileServices m_profileServices = ProfileServices::System();

 private:
  // The stack's process object; the program's own main loop is the main window's, so
  // its Main has nothing to do.
  class CProcessPart final : public PProcess {
   public:
    CProcessPart() : PProcess("", "", 1, 0, ReleaseCode, 1) {}
    void Main() override {}
  };

  CString ModulePath() const;
  // Tells the user that the phone is running already, in the language its file names;
  // reads that file but writes nothing.
  void TellAlreadyRunning() const;
  CProcessPart m_process;
  void* m_instanceMutex = nullptr;  // the single-instance mutex, held while the object lives
};

// The executable's directory from its path: the path cut before its last '/' when the
// file name is "Varlo" (or "Varlo.exe") in any case; any other path comes back whole,
// so that no language file is found beside it.
CString ApplicationDirectoryFromModulePath(const CString& modulePath);
// The language in a language file's first line: '1' Simplified, '2' Traditional
// Chinese, anything else English.
int LanguageFromFirstLine(const CString& line);
