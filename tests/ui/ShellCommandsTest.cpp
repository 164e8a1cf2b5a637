// The web-page and help buttons start the desktop's opener: a stand-in xdg-open on PATH
// records the arguments it gets, so the tests see exactly what reached it.
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "CVarloDlgTestFixture.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

using namespace std::chrono_literals;

namespace {

class ShellCommandsTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    // Blanks in both folders: the opener's own path and the files it is given.
    standIn = dir / "stand in/";
    appDir = dir / "my apps/";
    ::mkdir(standIn.c_str(), 0700);
    ::mkdir(appDir.c_str(), 0700);
    Script("xdg-open", "for a in \"$@\"; do printf '%s\\036' \"$a\"; done >> '" + (dir / "record") + "'\necho >> '" +
                           (dir / "record") + "'\n");
    Script("xdg-mime", "cat '" + (dir / "chm-viewer") + "' 2>/dev/null\nexit 0\n");
    setenv("PATH", (standIn + ":" + oldPath).c_str(), 1);
  }
  void TearDown() override {
    setenv("PATH", oldPath.c_str(), 1);
    UiTest::TearDown();
  }
  void Script(const std::string& name, const std::string& body) {
    const std::string path = standIn + name;
    std::ofstream(path) << "#!/bin/sh\n" << body;
    ::chmod(path.c_str(), 0755);
  }
  // Waits until the opener has run `count` times; each run's arguments.
  std::vector<std::vector<std::string>> Runs(size_t count) {
    std::vector<std::vector<std::string>> runs;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
      runs.clear();
      std::ifstream in(dir / "record");
      std::string line;
      while (std::getline(in, line)) {
        std::vector<std::string> args;
        size_t at = 0;
        for (size_t end; (end = line.find('\036', at)) != std::string::npos; at = end + 1) {
          args.push_back(line.substr(at, end - at));
        }
        runs.push_back(args);
      }
      if (runs.size() >= count) break;
      std::this_thread::sleep_for(10ms);
    }
    return runs;
  }
  void Click(CVarloDlg& dlg, int id) { dlg.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

  std::string oldPath, standIn, appDir;
};

TEST_F(ShellCommandsTest, WebPagesReachTheOpenerAsOneArgumentWithoutAShell) {
  const std::string home = "https://home.mine.test/?a=1&b=$(touch${IFS}" + (dir / "pwned") + ")";
  const std::string pages = "http://pages.mine.test/it's;touch${IFS}" + (dir / "pwned") + ";'`x`";
  std::ofstream(appDir + "service.conf") << "home_page = " << home << "\nyellow_page = " << pages << "\n";
  CVarloDlg dlg(appDir.c_str(), QuietServices());
  ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
  Click(dlg, varlo::ids::kHomePage);
  ASSERT_EQ(Runs(1).size(), 1u);
  Click(dlg, varlo::ids::kYellowPage);
  const auto runs = Runs(2);
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0], std::vector<std::string>{home});
  EXPECT_EQ(runs[1], std::vector<std::string>{pages});
  struct stat st;
  EXPECT_NE(::stat((dir / "pwned").c_str(), &st), 0);
  dlg.DestroyWindow();
}

TEST_F(ShellCommandsTest, HelpOpensTheHelpFileOrElseItsPages) {
  struct Case {
    const char* chmViewer;  // what the desktop names for compiled help; "" none
    const char* opened;     // below the application directory
  };
  const Case cases[] = {{"xchm.desktop\n", "Varlo.chm"}, {"", "help/index.html"}};
  size_t runs = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.opened);
    std::ofstream(dir / "chm-viewer") << c.chmViewer;
    CVarloDlg dlg(appDir.c_str(), QuietServices());
    ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
    Click(dlg, varlo::ids::kHelp);
    const auto got = Runs(++runs);
    ASSERT_EQ(got.size(), runs);
    EXPECT_EQ(got.back(), std::vector<std::string>{appDir + c.opened});
    dlg.DestroyWindow();
  }
}

}  // namespace
