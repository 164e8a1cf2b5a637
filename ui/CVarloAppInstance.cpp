// The second start of the program: it ends at once, but says why, so that a user who
// started it from a menu does not wait for a window that will not come.
#include <cstdio>

#include "platform/core/RegularFile.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Resources.h"
#include "ui/CVarloApp.h"
#include "ui/NoticeTexts.h"

namespace {
constexpr int kLanguageLineBytes = 125;  // as the start reads the language file
}  // namespace

void CVarloApp::TellAlreadyRunning() const {
  const CString modulePath = ModulePath();
  const CString appDirectory = ApplicationDirectoryFromModulePath(modulePath);
  CString languageFile;
  languageFile.Format("%s/%s", appDirectory.GetString(), kLanguageFileName);
  char line[kLanguageLineBytes] = {'0', '\0'};
  if (std::FILE* file = FopenRegularFileForReading(languageFile)) {
    if (!std::fgets(line, sizeof(line), file)) line[0] = '\0';
    std::fclose(file);
  }
  const int language = LanguageFromFirstLine(CString(line));
  const int slash = modulePath.ReverseFind('/');
  const CString libraryDirectory = slash > 0 ? modulePath.Left(slash) : CString(".");
  HINSTANCE library = nullptr;
  if (language == kLanguageSimplified) library = AfxLoadLibrary(libraryDirectory + "/" + kChinaLibrary);
  if (language == kLanguageTraditional) library = AfxLoadLibrary(libraryDirectory + "/" + kTraditionalLibrary);
  const HINSTANCE previous = AfxGetResourceHandle();
  if (library) AfxSetResourceHandle(library);
  const CString text = AfxLoadString(kIdsAlreadyRunning);
  const CString title = AfxLoadString(kIdsProgramTitle);
  AfxSetResourceHandle(previous);
  if (library) AfxFreeLibrary(library);
  MessageBox(nullptr, text, title, MB_OK | MB_ICONINFORMATION);
}
