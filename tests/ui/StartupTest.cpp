// Start-up as the user sees it, under an X server: the built program run as a second
// process (one instance only, its language, a clean end on the exit button), and a
// screenshot of the main window.  Also the single-instance lock itself, without a display.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <wx/uiaction.h>
#include <wx/wx.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "CVarloDlgTestFixture.h"
#include "LauncherProcess.h"
#include "contacts/ContactFile.h"
#include "contacts/QuickDialFile.h"
#include "platform/core/AppDir.h"
#include "platform/win/ControlClasses.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Startup.h"
#include "platform/wx/WxBackend.h"
#include "platform/wx/WxSkinCombo.h"
#include "platform/wx/WxTooltip.h"
#include "ui/CVarloApp.h"
#include "ui/CVarloDlg.h"
#include "ui/TalkLog.h"
#include "ui/VarloMessages.h"
#include "tests/support/WindowTestSupport.h"
#include "tests/support/WxTestToolkit.h"

extern char** environ;
extern "C" const char* __lsan_default_suppressions();

namespace {

using namespace std::chrono_literals;

std::string BuiltFile(const char* name) {
  return std::string(GetExecutableDirectory().GetString()) + "../../ui/" + name;
}

std::string FileText(const std::string& path) {
  const Bytes b = ReadBytes(path);
  return std::string(b.begin(), b.end());
}

int CountOf(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (done()) return true;
    std::this_thread::sleep_for(50ms);
  }
  return done();
}

TEST(InstanceLock, NameIsHeldUntilItsHandleIsClosed) {
  TempDir dir;
  setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
  const char* name = CVarloApp::kInstanceMutexName;
  HANDLE first = CreateMutexA(nullptr, TRUE, name);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  EXPECT_TRUE(ReleaseMutex(first));
  EXPECT_FALSE(ReleaseMutex(first));  // no longer owned; the name stays taken

  HANDLE second = CreateMutexA(nullptr, TRUE, name);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_TRUE(CloseHandle(second));

  EXPECT_TRUE(CloseHandle(first));
  HANDLE third = CreateMutexA(nullptr, TRUE, name);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  CloseHandle(third);
  EXPECT_TRUE(Exists(dir / (std::string(name) + ".lock")));
}

TEST(InstanceLock, ALinkPlantedInTheLocksPlaceIsNeverFollowed) {
  TempDir dir, elsewhere;
  setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
  const std::string lock = dir / (std::string(CVarloApp::kInstanceMutexName) + ".lock");
  const std::string target = elsewhere / "victim";
  ASSERT_EQ(symlink(target.c_str(), lock.c_str()), 0);
  EXPECT_EQ(CreateMutexA(nullptr, TRUE, CVarloApp::kInstanceMutexName), nullptr);
  EXPECT_FALSE(Exists(target));  // nothing was created through the link
}

// $XDG_RUNTIME_DIR pointed at a folder open to all, where another user already holds the
// lock of the instance's name: the phone starts all the same, its lock in a folder of its own.
TEST(InstanceLock, ASharedRuntimeFolderIsNotUsed) {
  TempDir shared, tmp;
  ASSERT_EQ(chmod(shared.Path().c_str(), 01777), 0);
  const std::string planted = shared / (std::string(CVarloApp::kInstanceMutexName) + ".lock");
  const int theirs = open(planted.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(theirs, 0);
  ASSERT_EQ(flock(theirs, LOCK_EX | LOCK_NB), 0);
  const char* oldTmp = getenv("TMPDIR");
  const std::string savedTmp = oldTmp ? oldTmp : "";
  setenv("TMPDIR", tmp.Path().c_str(), 1);  // the private fallback, apart from other programs'
  setenv("XDG_RUNTIME_DIR", shared.Path().c_str(), 1);
  HANDLE mine = CreateMutexA(nullptr, TRUE, CVarloApp::kInstanceMutexName);
  EXPECT_NE(mine, nullptr);
  EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
  if (mine) CloseHandle(mine);
  close(theirs);
  if (oldTmp) {
    setenv("TMPDIR", savedTmp.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}

TEST(PrivateFiles, CallListsContactsAndTheTalkLogAreReadableByTheirOwnerOnly) {
  TempDir dir;
  // Contact files of an earlier version, open to every local user, are made private too.
  for (const char* file : {"pbook.dat", "Quickdail.dat"}) {
    WriteBytes(dir / file, Bytes{0, 0, 0, 0});
    ASSERT_EQ(chmod((dir / file).c_str(), 0644), 0);
  }
  const mode_t old = umask(0);  // whatever the user's mask, these files stay private
  {
    CUserProfile profile(dir.Path().c_str(), QuietServices());
    profile.m_dialHistory.Add("5551234");
  }
  ASSERT_TRUE(AppendTalkLogLine(TalkLogPath(dir.Path().c_str()), "Call: 5551234"));
  ASSERT_TRUE(WriteContactFile((dir / "pbook.dat").c_str(), {ContactRecord{{"Ann", "", "5551234", "", ""}}}));
  QuickDialSlots slots{};
  slots[0] = QuickDialSlot{"Ann", "5551234"};
  ASSERT_TRUE(quickdial::Write((dir / "Quickdail.dat").c_str(), slots));
  umask(old);
  for (const char* file : {"calls.dat", "Log.log", "client.dat", "pbook.dat", "Quickdail.dat"}) {
    struct stat st {};
    ASSERT_EQ(stat((dir / file).c_str(), &st), 0) << file;
    EXPECT_EQ(st.st_mode & 0777, 0600u) << file;
  }
}

bool StartToolkit() { return StartTestToolkit("ui_tests"); }

// The program in a directory of its own: the executable, both language libraries and
// whatever language file a test writes.
class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!StartToolkit()) GTEST_SKIP() << "no X display";
    for (const char* name : {"Varlo", "China.dll", "Traditional.dll"}) {
      std::filesystem::copy_file(BuiltFile(name), dir / name);
    }
  }
  void TearDown() override {
    for (pid_t pid : m_running) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
  }
  pid_t Start() {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      if (std::string(*e).rfind("XDG_RUNTIME_DIR=", 0) != 0) env.emplace_back(*e);
    }
    env.push_back("XDG_RUNTIME_DIR=" + dir.Path());
    // A sanitizer build of the program is told about the toolkit's process-long caches.
    const std::string suppressions = dir / "lsan.supp";
    const std::string list = ToolkitLeakSuppressions();
    WriteBytes(suppressions, Bytes(list.begin(), list.end()));
    std::erase_if(env, [](const std::string& e) { return e.rfind("LSAN_OPTIONS=", 0) == 0; });
    env.push_back("LSAN_OPTIONS=suppressions=" + suppressions);
    std::vector<char*> envp;
    for (std::string& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string program = dir / "Varlo";
    char* argv[] = {program.data(), nullptr};
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, envp.data()), 0);
    m_running.push_back(pid);
    return pid;
  }
  // The exit status, or -1 when the process has not ended in time.
  int WaitForEnd(pid_t pid, std::chrono::milliseconds limit) {
    int status = 0;
    const bool ended = WaitUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, limit);
    if (!ended) return -1;
    std::erase(m_running, pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  // Where the program's window opens: each test has its own place on the shared display,
  // away from the other window tests, so that clicks reach the window they are meant for.
  void PlaceWindow(CPoint at) {
    m_place = at;
    {
      CUserProfile profile(dir.Path().c_str(), QuietServices());
      profile.m_windowLeft = at.x;
      profile.m_windowTop = at.y;
    }
    // The saved sound devices ("null") stay: without them the first start opens the audio
    // wizard over the window.
    for (const char* file : {"client.dat", "calls.dat"}) std::filesystem::remove(dir / file);
  }
  bool WaitForMainWindow() {
    return WaitUntil([&] { return FileText(dir / "Log.log").find("Mode: ") != std::string::npos; }, 20s);
  }
  // A click on the exit button of the program's window.
  void ClickExit() const {
    wxUIActionSimulator sim;
    sim.MouseMove(m_place.x + 449, m_place.y + 15);
    sim.MouseClick();
  }
  // Clicks the exit button until the program ends (the window may not be on the screen
  // yet when its initialisation has run); its exit status, or -1.
  int ExitByButton(pid_t pid) {
    for (int attempt = 0; attempt < 8; ++attempt) {
      ClickExit();
      if (const int status = WaitForEnd(pid, 2s); status != -1) return status;
    }
    return -1;
  }
  std::string Log() const { return FileText(dir / "Log.log"); }

  TempDir dir;

 private:
  std::vector<pid_t> m_running;
  CPoint m_place;
};

TEST_F(ProgramTest, SecondStartEndsAtOnceAndTheExitButtonEndsTheFirstCleanly) {
  PlaceWindow(CPoint(780, 60));
  const pid_t first = Start();
  ASSERT_TRUE(WaitForMainWindow());
  // The second says that the phone runs already: its notice waits for the user (here a
  // termination signal, which ends it as the notice's OK would).
  const pid_t second = Start();
  EXPECT_EQ(WaitForEnd(second, 2s), -1);
  kill(second, SIGTERM);
  EXPECT_EQ(WaitForEnd(second, 10s), 0);
  EXPECT_EQ(CountOf(Log(), "Mode: "), 1);  // the second opened no main window
  EXPECT_EQ(WaitForEnd(first, 0ms), -1);   // the first still runs

  EXPECT_EQ(ExitByButton(first), 0);
  for (const char* file : {"audio.dat", "ui.dat", "client.dat", "calls.dat"}) EXPECT_TRUE(Exists(dir / file)) << file;
  EXPECT_EQ(FileText(dir / "Varlo.ini"), "0");
}

TEST_F(ProgramTest, TerminationSignalEndsTheSessionAndSavesWhatItChanged) {
  {
    CUserProfile profile(dir.Path().c_str(), QuietServices());  // sound devices "null"
    profile.m_windowLeft = 780;
    profile.m_windowTop = 60;
  }
  const pid_t pid = Start();
  ASSERT_TRUE(WaitForMainWindow());
  // A number dialled from another program goes into the dial history.
  setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
  {
    LauncherProcess dial({"dial", "5551234"});
    dial.WaitExit([] { std::this_thread::sleep_for(50ms); });
  }
  ASSERT_TRUE(WaitUntil([&] { return Log().find("5551234") != std::string::npos; }, 20s)) << Log();
  kill(pid, SIGTERM);
  EXPECT_EQ(WaitForEnd(pid, 20s), 0);
  CUserProfile saved(dir.Path().c_str(), QuietServices());
  ASSERT_GE(saved.m_dialHistory.GetSize(), 1);
  EXPECT_EQ(saved.m_dialHistory[0], "5551234");
}

TEST_F(ProgramTest, AFifoInPlaceOfADataFileDoesNotHoldTheStart) {
  PlaceWindow(CPoint(780, 400));
  for (const char* file : {"Varlo.ini", "calls.dat"}) ASSERT_EQ(mkfifo((dir / file).c_str(), 0600), 0) << file;
  const pid_t pid = Start();
  ASSERT_TRUE(WaitForMainWindow());
  EXPECT_EQ(ExitByButton(pid), 0);
}

TEST_F(ProgramTest, LanguageFileChoosesTheChineseTextsUnlessTheLibraryIsMissing) {
  struct Case {
    const char* ini;
    const char* removed;  // library taken away, or null
    const char* library;  // whose mode text shows; null: English
  };
  const Case cases[] = {{"1", nullptr, "China.dll"}, {"2", nullptr, "Traditional.dll"}, {"1", "China.dll", nullptr}};
  PlaceWindow(CPoint(780, 400));
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.ini << " without " << (c.removed ? c.removed : "nothing"));
    std::filesystem::remove(dir / "Log.log");
    WriteBytes(dir / "Varlo.ini", Bytes(c.ini, c.ini + 1));
    if (c.removed) std::filesystem::remove(dir / c.removed);
    CString expected = "Place PC2PC Call";
    if (c.library) {
      HINSTANCE h = LoadLibrary(BuiltFile(c.library).c_str());
      ASSERT_TRUE(h);
      char text[256] = {};
      LoadString(h, 114, text, sizeof(text));
      FreeLibrary(h);
      expected = text;
      ASSERT_NE(expected, "Place PC2PC Call");
    }
    const pid_t pid = Start();
    ASSERT_TRUE(WaitForMainWindow());
    EXPECT_EQ(Log(), "Mode: " + std::string(expected.GetString()) + "\r\r\n");
    EXPECT_EQ(ExitByButton(pid), 0);
  }
}

// The colour of a pixel as a COLORREF.
COLORREF PixelAt(const wxImage& image, int x, int y) {
  return RGB(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

// The telephone as the user sees it: main_window.png, and main_window_tooltip.png with the
// Call button's tooltip under the pointer.  The number box is the skin's dark field with
// light-blue text and the drawn arrow; a click on the arrow drops its history down, another
// closes it.
TEST(MainWindowOnScreen, ScreenshotOfTheTelephone) {
  if (!StartToolkit()) GTEST_SKIP() << "no X display";
  varlo::wx::InstallBackend();
  AfxSetResourceHandle(varlo::win::ExecutableModule());
  TempDir dir;
  const CPoint at(60, 680);  // away from the other window tests
  {
    CUserProfile profile(dir.Path().c_str(), QuietServices());
    profile.m_dialHistory.Add("5551234");
    profile.m_dialHistory.Add("8613800138000");
    profile.m_windowLeft = at.x;
    profile.m_windowTop = at.y;
  }
  bool saved = false, savedTooltip = false;
  wxImage plain;
  const CPoint call(at.x + 25 + 24, at.y + 195 + 16);  // the middle of the Call button
  const CPoint arrow(at.x + 162 - 6, at.y + 59 + 7);     // the number box's drawn arrow
  wxUIActionSimulator sim;
  {
    CVarloDlg dlg(dir.Path().c_str(), QuietServices());
    auto box = [&] { return ::GetDlgItem(dlg.m_hWnd, varlo::ids::kNumberBox); };
    CScript script({
        [] {}, [] {},
        [&] {
          dlg.SetNumberText("8613800138000");
          dlg.SetBalanceText("12.50");
          dlg.m_speakerLevel = 9;
          dlg.m_micLevel = 5;
          dlg.m_numberBox.SetWindowText("5551234");
          dlg.Invalidate();
        },
        [] {}, [] {},
        [&] {
          wxBitmap shot;
          ASSERT_TRUE(varlo::wx::CaptureWindow(dlg.m_hWnd, shot));
          EXPECT_EQ(shot.GetWidth(), 471);
          saved = shot.SaveFile("main_window.png", wxBITMAP_TYPE_PNG);
          plain = shot.ConvertToImage();
          // The corners are cut away: what lies beneath is not the skin's dark body.
          EXPECT_NE(PixelAt(plain, 1, 1), PixelAt(plain, 235, 150));

          // The number box: the layout's width, a field as tall as its 14-pixel font needs
          // inside the skin's number field, its colour answer's colours, the arrow beside it.
          varlo::wx::SkinComboLook look;
          ASSERT_TRUE(varlo::wx::ReadSkinComboLook(box(), look));
          EXPECT_EQ(look.field.GetTopLeft(), wxPoint(38, 59));
          EXPECT_EQ(look.field.GetWidth(), 124);
          EXPECT_EQ(look.field.GetHeight(), look.fontPixels + 2);
          EXPECT_EQ(look.entry.GetLeft(), 38);
          EXPECT_LE(look.entry.GetRight(), 161 - 10);  // the arrow's strip stays free
          EXPECT_NEAR(look.fontPixels, 14, 1);
          EXPECT_EQ(look.text, "5551234");
          EXPECT_EQ(look.entryBackground, wxColour(7, 40, 55));
          EXPECT_EQ(look.entryText, wxColour(99, 174, 255));
          EXPECT_EQ(PixelAt(plain, 45, 73), RGB(7, 40, 55));    // the entry's own background
          EXPECT_EQ(PixelAt(plain, 162 - 6, 59 + 6), RGB(66, 123, 180));  // the arrow's top row
          EXPECT_EQ(PixelAt(plain, 162 - 6, 59 + 9), RGB(66, 123, 180));  // its point
          int lightBlue = 0;  // the text's pixels
          for (int x = 40; x < 110; ++x) {
            for (int y = 60; y < 74; ++y) {
              const COLORREF c = PixelAt(plain, x, y);
              lightBlue += GetBValue(c) > 150 && GetRValue(c) < 140;
            }
          }
          EXPECT_GT(lightBlue, 20);
          sim.MouseMove(call.x, call.y);
        },
        [&] { sim.MouseMove(call.x + 1, call.y); },
        [&] { sim.MouseMove(call.x + 2, call.y + 1); },
        [] {}, [] {}, [] {},
        [&] {
          wxBitmap shot;
          ASSERT_TRUE(varlo::wx::CaptureWindow(dlg.m_hWnd, shot));
          savedTooltip = shot.SaveFile("main_window_tooltip.png", wxBITMAP_TYPE_PNG);
          // The Call button's tip, a pale box with its text just below the pointer.
          varlo::wx::TooltipLook tip;
          ASSERT_TRUE(varlo::wx::ReadShownTooltip(tip)) << "no tooltip on the screen";
          EXPECT_EQ(tip.text, "Call");
          EXPECT_NEAR(tip.rect.GetLeft(), call.x + 2, 2);
          EXPECT_NEAR(tip.rect.GetTop(), call.y + 1 + varlo::win::TooltipClass::kBelowPointer, 2);
          EXPECT_GT(tip.rect.GetWidth(), 12);
          EXPECT_LT(tip.rect.GetWidth(), 80);
          EXPECT_GT(tip.rect.GetHeight(), 8);
          EXPECT_LT(tip.rect.GetHeight(), 30);
          // Its pale face as the screen shows it.
          const wxImage image = shot.ConvertToImage();
          const wxRect inWindow(tip.rect.GetLeft() - at.x, tip.rect.GetTop() - at.y, tip.rect.GetWidth(), tip.rect.GetHeight());
          ASSERT_TRUE(wxRect(0, 0, image.GetWidth(), image.GetHeight()).Contains(inWindow));
          int pale = 0;
          for (int y = inWindow.GetTop() + 1; y < inWindow.GetBottom(); ++y) {
            for (int x = inWindow.GetLeft() + 1; x < inWindow.GetRight(); ++x) pale += PixelAt(image, x, y) == RGB(255, 255, 225);
          }
          EXPECT_GT(pale, inWindow.GetWidth() * inWindow.GetHeight() / 3);
          // Leaving the button takes the tip away; the pointer goes to the number box's arrow.
          sim.MouseMove(arrow.x, arrow.y);
        },
        [] {},
        [&] {
          varlo::wx::TooltipLook gone;
          EXPECT_FALSE(varlo::wx::ReadShownTooltip(gone)) << gone.text;
          // A click on the arrow drops the history down under the field...
          sim.MouseClick();
        },
        [] {},
        [&] {
          varlo::wx::SkinComboLook look;
          ASSERT_TRUE(varlo::wx::ReadSkinComboLook(box(), look));
          EXPECT_TRUE(dlg.m_numberBox.GetDroppedState());
          EXPECT_TRUE(look.listShown);
          // ...and a second click closes it.
          sim.MouseClick();
        },
        [] {},
        [&] {
          varlo::wx::SkinComboLook look;
          ASSERT_TRUE(varlo::wx::ReadSkinComboLook(box(), look));
          EXPECT_FALSE(dlg.m_numberBox.GetDroppedState());
          EXPECT_FALSE(look.listShown);
          sim.MouseClick();
        },
        [] {},
        [&] {
          varlo::wx::SkinComboLook look;
          ASSERT_TRUE(varlo::wx::ReadSkinComboLook(box(), look));
          EXPECT_TRUE(dlg.m_numberBox.GetDroppedState());
          EXPECT_TRUE(look.listShown);
          EXPECT_EQ(look.items, (std::vector<std::string>{"5551234", "8613800138000"}));
          EXPECT_NEAR(look.list.GetTop(), at.y + 59 + look.field.GetHeight(), 1);
          // Picking an entry puts it into the field and closes the list.
          varlo::win::MessageSystem::Instance().Find(box())->As<varlo::win::ComboBoxClass>()->UserSelect(
              *varlo::win::MessageSystem::Instance().Find(box()), 1);
        },
        [] {},
        [&] {
          CString text;
          dlg.m_numberBox.GetWindowText(text);
          EXPECT_EQ(text, "8613800138000");
          EXPECT_FALSE(dlg.m_numberBox.GetDroppedState());
          varlo::wx::SkinComboLook look;
          ASSERT_TRUE(varlo::wx::ReadSkinComboLook(box(), look));
          EXPECT_FALSE(look.listShown);
          EXPECT_EQ(look.text, "8613800138000");
          EXPECT_EQ(dlg.m_numberBox.TakeNumber(), "8613800138000");  // the history's rules as before
          EXPECT_EQ(dlg.m_numberBox.GetCount(), 2);
          dlg.SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kExit, BN_CLICKED), 0);
        },
        [&] { dlg.EndDialog(IDCANCEL); },  // only if the exit did not arrive
    });
    dlg.DoModal();
  }
  EXPECT_TRUE(saved);
  EXPECT_TRUE(savedTooltip);
  varlo::win::MessageSystem::Instance().Reset(nullptr, nullptr, nullptr);
}

}  // namespace

extern "C" const char* __lsan_default_suppressions() { return ToolkitLeakSuppressions(); }

// CScript's message map is defined once in each program that uses it.
BEGIN_MESSAGE_MAP(CScript, CWnd)
  ON_WM_TIMER()
END_MESSAGE_MAP()
