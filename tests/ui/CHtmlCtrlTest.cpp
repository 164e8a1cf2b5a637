// The banner: its "app:" links and its element-count rule without a display, then the
// real web view under an X server with local pages and one that cannot load.
#include "ui/CHtmlCtrl.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <wx/wx.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "platform/wx/WxBackend.h"

using namespace varlo::win;

namespace {

constexpr UINT kBannerId = 1025;

TEST(AppCommandOf, PrefixInAnyCaseGivesTheRest) {
  const struct {
    const char* url;
    const char* command;  // null: not an app link
  } cases[] = {
      {"app:dial 5551234", "dial 5551234"},
      {"APP:login", "login"},
      {"App:", ""},
      {"aPp:\xe4\xb8\xad", "\xe4\xb8\xad"},
      {"app", nullptr},
      {"ap:x", nullptr},
      {"apps:x", nullptr},
      {"http://example.com/app:x", nullptr},
      {"\xef\xbd\x81pp:x", nullptr},  // a full-width letter is not the prefix
      {"", nullptr},
      {nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url ? c.url : "(null)");
    const char* got = AppCommandOf(c.url);
    if (!c.command) {
      EXPECT_EQ(got, nullptr);
    } else {
      ASSERT_NE(got, nullptr);
      EXPECT_STREQ(got, c.command);
    }
  }
}

TEST(BannerShowCommand, ShownForOneToSevenElements) {
  const struct {
    std::optional<long> count;
    std::optional<int> show;
  } cases[] = {
      {std::nullopt, std::nullopt}, {0, SW_HIDE}, {1, SW_SHOW}, {4, SW_SHOW},
      {7, SW_SHOW},                 {8, SW_HIDE}, {500, SW_HIDE}, {-1, SW_HIDE},
  };
  for (const auto& c : cases) EXPECT_EQ(BannerShowCommand(c.count), c.show) << c.count.value_or(-99);
}

// A banner that records what reaches it.
class CRecordingBanner : public CHtmlCtrl {
 public:
  std::vector<std::string> commands;
  int loads = 0;
  void OnAppCmd(const char* command) override { commands.emplace_back(command); }
  void OnDownloadComplete() override {
    ++loads;
    const CHtmlDocument* d = GetHtmlDocument();
    history += d->URL() + " " + std::to_string(d->ElementCount().value_or(-1)) + (d->LoadFailed() ? " failed\n" : "\n");
    CHtmlCtrl::OnDownloadComplete();
  }
  std::string history;  // what each load left, for failure messages
};

class HtmlCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageSystem::Instance().Reset(std::make_shared<ManualClock>(1000));
    ASSERT_TRUE(main.CreateEx(0, "", "main", WS_POPUP | WS_VISIBLE, CRect(0, 0, 471, 291), nullptr, 0));
    ASSERT_TRUE(CreateWindowEx(0, "STATIC", "Static", WS_CHILD | WS_VISIBLE, 257, 201, 195, 60, main.m_hWnd,
                               reinterpret_cast<HMENU>(kBannerId), nullptr, nullptr));
  }
  void TearDown() override {
    banner.DestroyWindow();
    MessageSystem::Instance().Reset();
  }
  CWnd main;
  CRecordingBanner banner;
};

TEST_F(HtmlCtrlTest, TakesThePlaceOfTheStatic) {
  const HWND placeholder = ::GetDlgItem(main.m_hWnd, kBannerId);
  ASSERT_TRUE(banner.CreateFromStatic(kBannerId, &main));
  EXPECT_FALSE(::IsWindow(placeholder));
  EXPECT_EQ(::GetDlgItem(main.m_hWnd, kBannerId), banner.m_hWnd);
  EXPECT_EQ(banner.State()->className, kHtmlViewClass);
  EXPECT_EQ(banner.State()->rect, CRect(257, 201, 452, 261));
  EXPECT_TRUE(banner.IsWindowVisible());

  CRecordingBanner second;
  const size_t children = main.State()->children.size();
  EXPECT_FALSE(second.CreateFromStatic(4242, &main));
  EXPECT_EQ(second.m_hWnd, nullptr);
  EXPECT_EQ(main.State()->children.size(), children);
}

TEST_F(HtmlCtrlTest, AppLinksAreStoppedAndHandedOn) {
  ASSERT_TRUE(banner.CreateFromStatic(kBannerId, &main));
  banner.Navigate("http://service.example/banner.html");
  EXPECT_FALSE(banner.NavigationRequested("App:dial 5551234"));
  EXPECT_FALSE(banner.NavigationRequested("APP:"));
  EXPECT_EQ(banner.commands, (std::vector<std::string>{"dial 5551234", ""}));
  EXPECT_EQ(banner.GetLocationURL(), "http://service.example/banner.html");

  EXPECT_TRUE(banner.NavigationRequested("http://service.example/next.html"));
  EXPECT_EQ(banner.commands.size(), 2u);
  EXPECT_EQ(banner.GetLocationURL(), "http://service.example/next.html");
}

TEST_F(HtmlCtrlTest, ShowsItselfOnlyAfterBannerSizedPages) {
  ASSERT_TRUE(banner.CreateFromStatic(kBannerId, &main));
  const struct {
    std::optional<long> count;
    bool failed;
    bool visible;
  } loads[] = {
      {7, false, true},  {8, false, false}, {3, false, true},
      {std::nullopt, false, true},  // the count could not be read: nothing changes
      {4, true, false},             // a page that did not load
      {std::nullopt, false, false}, {1, false, true}, {0, false, false},
  };
  for (const auto& l : loads) {
    SCOPED_TRACE(l.count.value_or(-1));
    banner.DocumentLoaded("http://service.example/banner.html", l.count, l.failed);
    EXPECT_EQ(banner.IsWindowVisible() != FALSE, l.visible);
  }
  EXPECT_EQ(banner.loads, 8);
}

// --- under an X server ---------------------------------------------------------------

bool StartToolkit() {
  if (!std::getenv("DISPLAY")) return false;
  if (wxTheApp) return true;  // another test of this program started it
  static int argc = 1;
  static char name[] = "ui_tests";
  static char* argv[] = {name, nullptr};
  wxApp::SetInstance(new wxApp());
  return wxEntryStart(argc, argv) && wxTheApp->CallOnInit();
}

// Keeps the layer's loop turning so that a condition is looked at every 50 ms.
class CTicker : public CWnd {
 public:
  CTicker() {
    CreateEx(0, "", "ticker", WS_POPUP, CRect(0, 0, 1, 1), nullptr, 0);
    SetTimer(1, 50);
  }

 protected:
  void OnTimer(UINT_PTR) {}
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CTicker, CWnd)
  ON_WM_TIMER()
END_MESSAGE_MAP()

bool RunUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
  CTicker ticker;
  const auto end = std::chrono::steady_clock::now() + limit;
  bool timedOut = false;
  MessageSystem::Instance().RunLoop([&] {
    if (done()) return true;
    timedOut = std::chrono::steady_clock::now() > end;
    return timedOut;
  });
  return !timedOut;
}

bool Shown(const CWnd& wnd) { return (wnd.GetStyle() & WS_VISIBLE) != 0; }

class WxBannerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!StartToolkit()) GTEST_SKIP() << "no X display";
    varlo::wx::InstallBackend();
    AfxSetResourceHandle(ExecutableModule());
    dir = std::filesystem::temp_directory_path() / ("ui_banner_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    if (varlo::wx::BackendInstalled()) MessageSystem::Instance().Reset(nullptr, nullptr, nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
  std::string Page(const char* name, const std::string& html) {
    const std::filesystem::path file = dir / name;
    std::ofstream(file) << html;
    return "file://" + file.string();
  }
  std::filesystem::path dir;
};

TEST_F(WxBannerTest, HidesForAPageThatFailsToLoadAndShowsForASmallPage) {
  // html, head, body, a: four elements.
  const std::string small = Page("small.html", "<html><body><a id='go' href='app:dial 123'>Call</a></body></html>");
  std::string big = "<html><body>";
  for (int i = 0; i < 10; ++i) big += "<p>line</p>";
  const std::string large = Page("large.html", big + "</body></html>");
  const std::string missing = "file://" + (dir / "missing.html").string();
  const std::string refused = "http://127.0.0.1:9/";  // a port the browser will not use

  // The window stays hidden: window tests running beside this one click and type, and a
  // window shown now would take their keys.  The banner's own visibility is what counts.
  CWnd main;
  ASSERT_TRUE(main.CreateEx(0, "", "main", WS_POPUP, CRect(0, 0, 471, 291), nullptr, 0));
  ASSERT_TRUE(CreateWindowEx(0, "STATIC", "Static", WS_CHILD | WS_VISIBLE, 257, 201, 195, 60, main.m_hWnd,
                             reinterpret_cast<HMENU>(kBannerId), nullptr, nullptr));
  CRecordingBanner banner;
  ASSERT_TRUE(banner.CreateFromStatic(kBannerId, &main));
  ASSERT_NE(banner.Browser(), nullptr);

  const struct {
    const std::string& url;
    bool visible;
  } steps[] = {{missing, false}, {small, true}, {large, false}, {small, true}, {missing, false},
               {small, true},    {refused, false}};
  for (const auto& s : steps) {
    SCOPED_TRACE(s.url);
    const int before = banner.loads;
    banner.Navigate(s.url.c_str());
    ASSERT_TRUE(RunUntil([&] { return banner.loads > before; }, std::chrono::seconds(20)));
    ASSERT_NE(banner.GetHtmlDocument(), nullptr);
    EXPECT_EQ(Shown(banner), s.visible) << banner.history;
  }
  EXPECT_EQ(banner.loads, 7) << banner.history;  // none of the browser's own in-between loads

  // An app link asked of the real browser goes to the command handler and loads nothing.
  banner.Navigate(small.c_str());
  const int loaded = banner.loads;
  ASSERT_TRUE(RunUntil([&] { return banner.loads > loaded; }, std::chrono::seconds(20)));
  banner.Navigate("APP:dial 123");
  RunUntil([] { return false; }, std::chrono::seconds(1));
  EXPECT_EQ(banner.commands, std::vector<std::string>{"dial 123"});
  EXPECT_EQ(banner.loads, loaded + 1);
  EXPECT_TRUE(Shown(banner));
  banner.DestroyWindow();
}

}  // namespace

