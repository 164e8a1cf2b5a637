// The application object in this process: the executable's directory, the language file,
// the language libraries it loads beside the executable, and the single instance.
#include <cstdlib>
#include <filesystem>
#include <string>

#include "CVarloDlgTestFixture.h"
#include "platform/core/AppDir.h"
#include "platform/win/Startup.h"
#include "platform/win/MessageBox.h"
#include "ui/CVarloApp.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

// The language libraries as the build puts them beside the program.
std::string BuiltLibrary(const char* name) {
  return std::string(GetExecutableDirectory().GetString()) + "../../ui/" + name;
}

TEST(ApplicationDirectory, CutBeforeTheProgramsOwnNameOnly) {
  struct Case {
    const char* path;
    const char* directory;
  };
  const Case cases[] = {
      {"/opt/varlo/Varlo", "/opt/varlo"},
      {"/opt/varlo/varlo", "/opt/varlo"},
      {"/Opt/Mixed/VARLO.EXE", "/Opt/Mixed"},
      {"/opt/varlo/phone", "/opt/varlo/phone"},
      {"/opt/varlo/Varlo2", "/opt/varlo/Varlo2"},
  };
  for (const Case& c : cases) EXPECT_EQ(ApplicationDirectoryFromModulePath(c.path), c.directory) << c.path;
}

TEST(LanguageFile, FirstCharacterChoosesTheLanguage) {
  EXPECT_EQ(LanguageFromFirstLine("1 and more\n"), CVarloApp::kLanguageSimplified);
  EXPECT_EQ(LanguageFromFirstLine("2"), CVarloApp::kLanguageTraditional);
  EXPECT_EQ(LanguageFromFirstLine("0"), CVarloApp::kLanguageEnglish);
  EXPECT_EQ(LanguageFromFirstLine(""), CVarloApp::kLanguageEnglish);
  EXPECT_EQ(LanguageFromFirstLine("3"), CVarloApp::kLanguageEnglish);
  EXPECT_EQ(LanguageFromFirstLine(" 1"), CVarloApp::kLanguageEnglish);
}

class AppStartTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
  }
  void CopyLibrary(const char* name) {
    std::filesystem::copy_file(BuiltLibrary(name), dir / name);
  }
  void WriteIni(const std::string& text) { WriteBytes(dir / "Varlo.ini", Bytes(text.begin(), text.end())); }
  std::string Ini() const {
    const Bytes b = ReadBytes(dir / "Varlo.ini");
    return std::string(b.begin(), b.end());
  }
  // Runs the start-up; while the main window runs, its mode line is read and the exit
  // command given.  Returns the mode line.
  CString Run(CVarloApp& app) {
    app.m_modulePath = (dir / "Varlo").c_str();
    app.m_profileServices = QuietServices();
    CString mode = "(no main window)";
    CStepWnd steps;
    steps.Later([&] {
      auto* dlg = dynamic_cast<CVarloDlg*>(AfxGetMainWnd());
      if (!dlg) return;
      mode = dlg->m_modeText;
      dlg->SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kExit, BN_CLICKED), 0);
    });
    EXPECT_FALSE(app.InitInstance());
    return mode;
  }
  // Mode line 114 as a library holds it.
  CString ModeTextOf(const char* library) {
    HINSTANCE h = LoadLibrary(BuiltLibrary(library).c_str());
    EXPECT_TRUE(h);
    char text[256] = {};
    LoadString(h, 114, text, sizeof(text));
    FreeLibrary(h);
    return CString(text);
  }
};

TEST_F(AppStartTest, LanguageComesFromTheLibraryTheFileNamesOrFallsBackToEnglish) {
  struct Case {
    const char* ini;  // null: no language file
    bool china, traditional;
    const char* library;  // the library whose texts show; null: English
    const char* iniAfter;
  };
  const Case cases[] = {
      {nullptr, true, true, nullptr, "0"},
      {"", true, true, nullptr, ""},
      {"1 more text\nand lines\n", true, true, CVarloApp::kChinaLibrary, "1 more text\nand lines\n"},
      {"2", true, true, CVarloApp::kTraditionalLibrary, "2"},
      {"2", true, false, nullptr, "2"},
      {"1", false, true, nullptr, "1"},
  };
  int run = 0;
  for (const Case& c : cases) {
    // The instance lock stays taken for the life of the process: each start gets its own.
    const std::string lockDir = dir / ("run" + std::to_string(++run));
    std::filesystem::create_directory(lockDir);
    setenv("XDG_RUNTIME_DIR", lockDir.c_str(), 1);
    SCOPED_TRACE(testing::Message() << (c.ini ? c.ini : "(none)") << " china " << c.china << " traditional "
                                    << c.traditional);
    std::filesystem::remove(dir / "Varlo.ini");
    std::filesystem::remove(dir / CVarloApp::kChinaLibrary);
    std::filesystem::remove(dir / CVarloApp::kTraditionalLibrary);
    if (c.ini) WriteIni(c.ini);
    if (c.china) CopyLibrary(CVarloApp::kChinaLibrary);
    if (c.traditional) CopyLibrary(CVarloApp::kTraditionalLibrary);
    const CString expected = c.library ? ModeTextOf(c.library) : CString("Place PC2PC Call");
    {
      CVarloApp app;
      EXPECT_EQ(Run(app), expected);
      EXPECT_EQ(app.m_hChinaDll != nullptr, c.china);
      EXPECT_EQ(app.m_hTraditionalDll != nullptr, c.traditional);
      app.ExitInstance();
      EXPECT_EQ(app.m_hChinaDll, nullptr);
      EXPECT_EQ(AfxGetResourceHandle(), varlo::win::ExecutableModule());
    }
    EXPECT_EQ(Ini(), c.iniAfter);
    // The main window's profile lives beside the program and was saved at the end.
    EXPECT_TRUE(Exists(dir / "calls.dat"));
    std::remove((dir / "ui.dat").c_str());
  }
}

TEST_F(AppStartTest, SecondInstanceEndsBeforeAnyWindowOrFile) {
  HANDLE first = CreateMutexA(nullptr, TRUE, CVarloApp::kInstanceMutexName);
  ASSERT_EQ(GetLastError(), ERROR_SUCCESS);
  varlo::win::ClearShownMessageBoxes();
  {
    CVarloApp app;
    EXPECT_EQ(Run(app), "(no main window)");
    EXPECT_EQ(app.ExitInstance(), 0);
  }
  // It says why it ends, and writes nothing.
  const auto boxes = varlo::win::ShownMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "The phone is running already.");
  EXPECT_FALSE(Exists(dir / "Varlo.ini"));
  EXPECT_FALSE(Exists(dir / "calls.dat"));
  CloseHandle(first);
}

TEST_F(AppStartTest, ProgramNotNamedVarloFindsNoLanguageFile) {
  WriteIni("1");
  CopyLibrary(CVarloApp::kChinaLibrary);
  CVarloApp app;
  app.m_modulePath = (dir / "phone").c_str();
  app.m_profileServices = QuietServices();
  CString mode;
  CStepWnd steps;
  steps.Later([&] {
    auto* dlg = dynamic_cast<CVarloDlg*>(AfxGetMainWnd());
    ASSERT_NE(dlg, nullptr);
    mode = dlg->m_modeText;
    dlg->SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kExit, BN_CLICKED), 0);
  });
  EXPECT_FALSE(app.InitInstance());
  app.ExitInstance();
  EXPECT_EQ(mode, "Place PC2PC Call");
  EXPECT_EQ(app.m_language, CVarloApp::kLanguageEnglish);
}

}  // namespace
