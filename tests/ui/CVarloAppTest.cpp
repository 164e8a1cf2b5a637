// The application object in this process: the executable's directory, the language file,
// the language libraries it loads beside the executable, and the single instance.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "CVarloDlgTestFixture.h"
#include "platform/core/AppDir.h"
#include "platform/core/CFile.h"
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

// The temporary files of saves that were killed half-way (the program killed at its end):
// the start removes them once it knows it is the only one running, and nothing else.
TEST_F(AppStartTest, StartRemovesWhatKilledSavesLeftAndNothingElse) {
  const std::vector<std::string> saved = {"audio.dat", "ui.dat", "client.dat", "calls.dat", "pbook.dat",
                                          "Quickdail.dat", "Set.dat", "Varlo.ini"};
  for (const std::string& name : saved) {
    const pid_t child = fork();
    if (child == 0) {
      CFile file;
      if (!file.Open((dir / name).c_str(), CFile::modeCreate | CFile::modeWrite)) _exit(1);
      file.Write("half", 4);
      _exit(0);  // killed before the file was closed
    }
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << name;
  }
  const auto temporaries = [this] {
    std::set<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
      const std::string name = entry.path().filename().string();
      if (name.find(".tmp") != std::string::npos) found.insert(name);
    }
    return found;
  };
  const std::set<std::string> left = temporaries();
  ASSERT_EQ(left.size(), saved.size());
  // Not of this program's saves, or not this user's: they stay.
  std::set<std::string> kept = {"notes.txt.tmp-abc123", "calls.dat.tmp-abc", "calls.dat.tmp-ABCDEF",
                                "calls.dat.tmp-abc1234", "ui.dat.tmp-linked"};
  for (const std::string& name : kept) WriteBytes(dir / name, Bytes{'k'});
  std::filesystem::remove(dir / "ui.dat.tmp-linked");
  ASSERT_EQ(symlink((dir / "notes.txt.tmp-abc123").c_str(), (dir / "ui.dat.tmp-linked").c_str()), 0);
  if (geteuid() == 0) {
    WriteBytes(dir / "audio.dat.tmp-theirs", Bytes{'t'});
    ASSERT_EQ(chown((dir / "audio.dat.tmp-theirs").c_str(), 65534, 65534), 0);
    kept.insert("audio.dat.tmp-theirs");
  }

  // A second start while the first runs must not take a save of the first away.
  HANDLE first = CreateMutexA(nullptr, TRUE, CVarloApp::kInstanceMutexName);
  ASSERT_EQ(GetLastError(), ERROR_SUCCESS);
  {
    CVarloApp second;
    Run(second);
    second.ExitInstance();
  }
  CloseHandle(first);
  std::set<std::string> all = left;
  all.insert(kept.begin(), kept.end());
  EXPECT_EQ(temporaries(), all);

  CVarloApp app;
  Run(app);
  app.ExitInstance();
  EXPECT_EQ(temporaries(), kept);
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
