// The options sheet on an X server, driven by the toolkit's simulated mouse and keyboard:
// the account page's mode table, its two checks, the login request its OK posts, Cancel,
// the audio page's devices, delay and wizard button, and the options page's files.
#include <gtest/gtest.h>

#include <wx/uiaction.h>
#include <wx/wx.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "engine/CUserProfile.h"
#include "platform/core/AppDir.h"
#include "platform/win/ControlClasses.h"
#include "platform/win/MessageBox.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "platform/win/WinApp.h"
#include "platform/win/WinStyles.h"
#include "platform/wx/WxBackend.h"
#include "setup/CSetupSheet.h"
#include "tests/platform/core/TempDir.h"
#include "tests/support/ToolkitState.h"
#include "tests/support/WindowTestSupport.h"
#include "tests/support/XDesktop.h"
#include "codec/g7231/H323_G7231Capability.h"
#include "stack/codec/H323_GSM0610Capability.h"
#include "engine/CPhoneEndPoint.h"
#include "ui/CVarloApp.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"
#include "tests/support/QuietServices.h"
#include "tests/support/WxTestToolkit.h"

extern "C" const char* __lsan_default_suppressions();

namespace {

using Posted = std::tuple<UINT, WPARAM, LPARAM>;

bool StartToolkit() { return StartTestToolkit("setup_window_tests"); }

bool SamePixels(const wxImage& a, const wxImage& b) {
  return a.IsOk() && b.IsOk() && a.GetSize() == b.GetSize() &&
         std::equal(a.GetData(), a.GetData() + a.GetWidth() * a.GetHeight() * 3, b.GetData());
}

bool OneColour(const wxImage& image) {
  const unsigned char* p = image.GetData();
  const size_t n = static_cast<size_t>(image.GetWidth() * image.GetHeight()) * 3;
  for (size_t i = 3; i < n; ++i) {
    if (p[i] != p[i % 3]) return false;
  }
  return true;
}

// A step acts and returns true, or waits: it returns false until what it waits for holds
// and is asked again on the next tick.
using Step = std::function<bool()>;
Step Do(std::function<void()> action) {
  return [action] {
    action();
    return true;
  };
}
Step Wait(std::function<bool()> holds) { return holds; }

// Runs the steps in order, one every 100 ms at most, inside whatever loop runs.  When a
// step waits longer than 15 s, or the steps are done and the loop has not ended 15 s
// later, it gives up.
class CStepRunner : public CWnd {
 public:
  CStepRunner(std::vector<Step> steps, std::function<void()> giveUp) : m_steps(std::move(steps)), m_giveUp(std::move(giveUp)) {
    CreateEx(0, "", "steps", WS_POPUP, CRect(0, 0, 1, 1), nullptr, 0);
    SetTimer(1, 100);
  }

 protected:
  void OnTimer(UINT_PTR) {
    const auto now = std::chrono::steady_clock::now();
    if (m_next < m_steps.size() && m_steps[m_next]()) {
      ++m_next;
      m_since = now;
      return;
    }
    if (!m_gaveUp && now - m_since > std::chrono::seconds(15)) {
      if (m_next < m_steps.size()) ADD_FAILURE() << "step " << m_next << " waited in vain";
      m_gaveUp = true;
      m_giveUp();
    }
  }
  DECLARE_MESSAGE_MAP()

 private:
  std::vector<Step> m_steps;
  std::function<void()> m_giveUp;
  size_t m_next = 0;
  bool m_gaveUp = false;
  std::chrono::steady_clock::time_point m_since = std::chrono::steady_clock::now();
};

BEGIN_MESSAGE_MAP(CStepRunner, CWnd)
  ON_WM_TIMER()
END_MESSAGE_MAP()

// Stands in for the main window: keeps the messages the pages post to it.
class CMainStandIn : public CWnd {
 public:
  static constexpr UINT kSentinel = WM_APP + 50;
  CMainStandIn() { CreateEx(0, "", "main", WS_POPUP, CRect(0, 0, 1, 1), nullptr, 0); }
  // Everything posted so far, once the queue has been worked through.
  std::vector<Posted> Received() {
    sentinel = false;
    PostMessage(kSentinel);
    varlo::win::MessageSystem::Instance().RunLoop([this] { return sentinel; });
    return got;
  }
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == kSentinel) sentinel = true;
    if (msg >= WM_USER && msg < WM_APP) got.emplace_back(msg, wParam, lParam);
    return CWnd::WindowProc(msg, wParam, lParam);
  }
  std::vector<Posted> got;
  bool sentinel = false;
};

class SetupSheetTest : public ::testing::Test {
 public:
  void SetUp() override {
    if (!StartToolkit()) GTEST_SKIP() << "no X display";
    varlo::wx::InstallBackend();
    AfxSetResourceHandle(varlo::win::ExecutableModule());
    varlo::win::ClearShownMessageBoxes();
    varlo::win::SetMessageBoxHook([](const varlo::win::MessageBoxRequest& r) { return varlo::win::DefaultMessageBoxAnswer(r.type); });
    profile = std::make_unique<CUserProfile>(CString(dir.Path().c_str()), QuietServices());
    main = std::make_unique<CMainStandIn>();
  }
  void TearDown() override {
    if (!varlo::wx::BackendInstalled()) return;
    main.reset();
    profile.reset();
    varlo::win::SetMessageBoxHook(nullptr);
    varlo::win::MessageSystem::Instance().Reset(nullptr, nullptr, nullptr);
    AfxSetResourceHandle(varlo::win::ExecutableModule());
  }

  std::unique_ptr<CSetupSheet> MakeSheet() {
    auto sheet = std::make_unique<CSetupSheet>(102, nullptr, 0, main.get(), profile.get());
    sheet->m_page2.m_deviceNames = [](PSoundChannel::Directions d) {
      PStringArray names;
      if (d == PSoundChannel::Player) {
        for (const char* n : {"default", "plughw:CARD=Speakers,DEV=0", "pulse"}) names.AppendString(n);
      } else {
        for (const char* n : {"default", "plughw:CARD=Mic,DEV=0"}) names.AppendString(n);
      }
      return names;
    };
    return sheet;
  }

  // Runs the sheet with the steps, once the toolkit shows its first page; ends it with -2
  // if the steps did not.
  INT_PTR Run(CSetupSheet& sheet, std::vector<Step> steps) {
    steps.insert(steps.begin(), Wait([&sheet] { return Shown(sheet.m_page1); }));
    CStepRunner runner(std::move(steps), [&sheet] { sheet.EndDialog(-2); });
    return sheet.DoModal();
  }
  // The page is shown, and so are its controls by the toolkit: a click reaches them.
  static bool Shown(CWnd& page) {
    return page.m_hWnd && ::IsWindowVisible(page.m_hWnd) && ToolkitShowsControlsOf(page.m_hWnd);
  }
  static bool Focused(CWnd& page, int id) { return ::GetFocus() == ::GetDlgItem(page.m_hWnd, id); }

  static CPoint CentreOf(HWND control) {
    CRect r;
    ::GetWindowRect(control, &r);
    return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  void Click(HWND control) {
    const CPoint p = CentreOf(control);
    sim.MouseMove(p.x, p.y);
    sim.MouseClick();
  }
  void Click(CWnd& page, int id) { Click(::GetDlgItem(page.m_hWnd, id)); }
  void ClickSheetButton(CSetupSheet& sheet, int id) { Click(::GetDlgItem(sheet.m_hWnd, id)); }
  // Clicks into an edit, types at its end and waits until the text is there.
  std::vector<Step> Typing(CWnd& page, int id, std::string text) {
    auto expected = std::make_shared<std::string>();
    return {Do([this, &page, id, text, expected] {
              *expected = Text(page, id) + text;
              Click(page, id);
            }),
            Wait([&page, id] { return Focused(page, id); }),
            Do([this, text] {
              sim.Char(WXK_END);
              sim.Text(text.c_str());
            }),
            Wait([&page, id, expected] { return Text(page, id) == *expected; })};
  }

  static bool ReadOnly(CWnd& page, int id) { return (::GetWindowLong(::GetDlgItem(page.m_hWnd, id), GWL_STYLE) & ES_READONLY) != 0; }
  static bool Enabled(CWnd& page, int id) { return ::IsWindowEnabled(::GetDlgItem(page.m_hWnd, id)) != FALSE; }
  static int Checked(CWnd& page, int id) { return static_cast<int>(::SendMessage(::GetDlgItem(page.m_hWnd, id), BM_GETCHECK, 0, 0)); }
  static std::string Text(CWnd& page, int id) {
    char text[256] = {};
    ::GetWindowText(::GetDlgItem(page.m_hWnd, id), text, sizeof(text));
    return text;
  }
  static std::vector<std::string> Boxes() {
    std::vector<std::string> texts;
    for (const auto& b : varlo::win::ShownMessageBoxes()) texts.push_back(b.text);
    return texts;
  }
  void SetAccount(int callType, int loginMode, const char* account, const char* password, const char* pin) {
    profile->m_callType = callType;
    profile->m_loginMode = loginMode;
    profile->m_account = account;
    profile->m_password = password;
    profile->m_pin = pin;
  }

  TempDir dir;
  std::unique_ptr<CUserProfile> profile;
  std::unique_ptr<CMainStandIn> main;
  wxUIActionSimulator sim;
};

using P1 = CSetupPage1;

std::vector<Step> Join(std::initializer_list<std::vector<Step>> parts) {
  std::vector<Step> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(SetupSheetTest, AccountPageFollowsTheModeTableAsTheRadiosAreClicked) {
  SetAccount(1, 1, "alice", "pw", "");
  auto sheet = MakeSheet();
  CSetupPage1& page = sheet->m_page1;
  const INT_PTR result = Run(*sheet, Join({
      {Do([&] {
         EXPECT_EQ(Text(page, P1::kAccountEdit), "alice");
         EXPECT_EQ(Checked(page, P1::kPcToPhone), 1);
         EXPECT_EQ(Checked(page, P1::kPcToPc), 0);
         EXPECT_EQ(Checked(page, P1::kAccountMode), 1);
         EXPECT_EQ(Checked(page, P1::kCardMode), 0);
         EXPECT_FALSE(ReadOnly(page, P1::kPasswordEdit));
         EXPECT_TRUE(ReadOnly(page, P1::kPinEdit));
         EXPECT_FALSE(page.m_accountEdited);  // the texts the page put there are no edit
         EXPECT_EQ(::SendMessage(::GetDlgItem(page.m_hWnd, P1::kPinEdit), EM_GETLIMITTEXT, 0, 0), 12);
         EXPECT_EQ(::GetDlgItem(sheet->m_hWnd, ID_APPLY_NOW), nullptr);
         Click(page, P1::kCardMode);
       }),
       Wait([&] { return profile->m_loginMode == 2; }),
       Do([&] {
         EXPECT_EQ(Checked(page, P1::kAccountMode), 0);
         EXPECT_EQ(Checked(page, P1::kCardMode), 1);
         EXPECT_TRUE(ReadOnly(page, P1::kPasswordEdit));
         EXPECT_FALSE(ReadOnly(page, P1::kPinEdit));
       })},
      Typing(page, P1::kPinEdit, "123456789012"),
      // One more than the edit takes, then a backspace: the backspace takes the last digit
      // of the twelve only when the thirteenth was refused.
      {Do([&] {
         sim.Text("3");
         sim.Char(WXK_BACK);
       }),
       Wait([&] { return Text(page, P1::kPinEdit).size() != 12; }),
       Do([&] {
         EXPECT_EQ(Text(page, P1::kPinEdit), "12345678901");
         EXPECT_TRUE(page.m_pinEdited);
         Click(page, P1::kPcToPc);
       }),
       Wait([&] { return profile->m_callType == 0; }),
       Do([&] {
         EXPECT_EQ(Checked(page, P1::kPcToPhone), 0);
         EXPECT_EQ(Checked(page, P1::kPcToPc), 1);
         EXPECT_FALSE(Enabled(page, P1::kAccountMode));
         EXPECT_FALSE(Enabled(page, P1::kCardMode));
         EXPECT_TRUE(ReadOnly(page, P1::kPasswordEdit));
         EXPECT_TRUE(ReadOnly(page, P1::kPinEdit));
         EXPECT_FALSE(ReadOnly(page, P1::kAccountEdit));
         ClickSheetButton(*sheet, IDCANCEL);
       })},
  }));
  EXPECT_EQ(result, IDCANCEL);
  // The radios wrote at once; the texts stay as they were.
  EXPECT_EQ(profile->m_callType, 0);
  EXPECT_EQ(profile->m_pin, "");
  EXPECT_TRUE(main->Received().empty());
}

TEST_F(SetupSheetTest, OkRefusesAnEmptyAccountAndAShortPinUntilTheyAreMended) {
  struct Case {
    int loginMode;
    const char* box;
    int editToMend;
    const char* mend;
    UINT login;
  };
  for (const Case& c : {Case{1, "Please input the accout!", P1::kAccountEdit, "bob", WM_VARLO_ACCOUNT_LOGIN},
                        Case{2, "The Pin input error!", P1::kPinEdit, "2", WM_VARLO_CARD_LOGIN}}) {
    SCOPED_TRACE(c.box);
    varlo::win::ClearShownMessageBoxes();
    main->got.clear();
    SetAccount(1, c.loginMode, "", "", "12345678901");
    auto sheet = MakeSheet();
    CSetupPage1& page = sheet->m_page1;
    const INT_PTR result = Run(*sheet, Join({
        {Do([&] { ClickSheetButton(*sheet, IDOK); }),
         Wait([] { return !Boxes().empty(); }),
         Do([&] {
           EXPECT_EQ(Boxes(), std::vector<std::string>{c.box});
           EXPECT_TRUE(::IsWindowVisible(sheet->m_hWnd));  // still open
         })},
        Typing(page, c.editToMend, c.mend),
        {Do([&] { ClickSheetButton(*sheet, IDOK); })},
    }));
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(Boxes().size(), 1u);
    EXPECT_EQ(varlo::win::ShownMessageBoxes()[0].caption, AfxGetAppName());
    EXPECT_EQ(main->Received(), (std::vector<Posted>{{c.login, 0, 0}}));
  }
}

TEST_F(SetupSheetTest, OkAsksForTheLoginThatTheChangesNeed) {
  struct Row {
    const char* name;
    int callType, loginMode;
    std::function<std::vector<Step>(SetupSheetTest&, CSetupPage1&)> act;
    UINT expected;  // 0: nothing posted
    const char* pin = "123456789012";
  };
  auto click = [](int id) {
    return [id](SetupSheetTest& t, CSetupPage1& p) {
      return std::vector<Step>{Do([&t, &p, id] { t.Click(p, id); }), Wait([&p, id] { return Checked(p, id) == 1; })};
    };
  };
  auto type = [](int id, const char* s) { return [id, s](SetupSheetTest& t, CSetupPage1& p) { return t.Typing(p, id, s); }; };
  auto nothing = [](SetupSheetTest&, CSetupPage1&) { return std::vector<Step>{}; };
  const std::vector<Row> rows = {
      {"PC to PC turned to PC to Phone, account mode", 0, 1, click(P1::kPcToPhone), WM_VARLO_ACCOUNT_LOGIN},
      {"PC to PC turned to PC to Phone, card mode", 0, 2, click(P1::kPcToPhone), WM_VARLO_CARD_LOGIN},
      {"card mode turned to account mode", 1, 2, click(P1::kAccountMode), WM_VARLO_ACCOUNT_LOGIN},
      {"account mode turned to card mode", 1, 1, click(P1::kCardMode), WM_VARLO_CARD_LOGIN},
      {"password edited in account mode", 1, 1, type(P1::kPasswordEdit, "x"), WM_VARLO_ACCOUNT_LOGIN},
      {"account edited in account mode", 1, 1, type(P1::kAccountEdit, "x"), WM_VARLO_ACCOUNT_LOGIN},
      {"PIN edited in card mode", 1, 2, type(P1::kPinEdit, "9"), WM_VARLO_CARD_LOGIN, "12345678901"},
      {"account edited in card mode", 1, 2, type(P1::kAccountEdit, "x"), 0},
      {"nothing changed in account mode", 1, 1, nothing, 0},
      {"nothing changed in card mode", 1, 2, nothing, 0},
      {"turned to PC to PC", 1, 1, click(P1::kPcToPc), 0},
      {"no login mode chosen", 1, 0, type(P1::kAccountEdit, "x"), 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    main->got.clear();
    varlo::win::ClearShownMessageBoxes();
    SetAccount(row.callType, row.loginMode, "alice", "pw", row.pin);
    auto sheet = MakeSheet();
    CSetupPage1& page = sheet->m_page1;
    const INT_PTR result = Run(*sheet, Join({
        {Do([&] {
          if (row.loginMode == 0) {
            EXPECT_EQ(Checked(page, P1::kAccountMode), 0);
            EXPECT_EQ(Checked(page, P1::kCardMode), 0);
          }
        })},
        row.act(*this, page),
        {Do([&] { ClickSheetButton(*sheet, IDOK); })},
    }));
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(Boxes().empty());
    const std::vector<Posted> expected = row.expected ? std::vector<Posted>{{row.expected, 0, 0}} : std::vector<Posted>{};
    EXPECT_EQ(main->Received(), expected);
  }
}

TEST_F(SetupSheetTest, CancelGivesBackTheAccountPasswordPinAndKeepFlags) {
  SetAccount(1, 2, "alice", "old", "123456789012");
  profile->m_keepPassword = TRUE;
  profile->m_keepPin = TRUE;
  auto sheet = MakeSheet();
  CSetupPage1& page = sheet->m_page1;
  const INT_PTR result = Run(*sheet, Join({
      Typing(page, P1::kAccountEdit, "x"),
      {Do([&] { Click(page, P1::kKeepPin); }),  // untick
       Wait([&] { return Checked(page, P1::kKeepPin) == 0; }),
       Do([&] { Click(page, P1::kPinEdit); }),
       Wait([&] { return Focused(page, P1::kPinEdit); }),
       Do([&] {
         sim.Char(WXK_END);
         sim.Char(WXK_BACK);
       }),
       Wait([&] { return Text(page, P1::kPinEdit) == "12345678901"; }),
       Do([&] { ClickSheetButton(*sheet, IDOK); }),  // refused: 11 characters, stored all the same
       Wait([] { return !Boxes().empty(); }),
       Do([&] {
         EXPECT_EQ(Boxes(), std::vector<std::string>{"The Pin input error!"});
         EXPECT_EQ(profile->m_pin, "12345678901");
         EXPECT_EQ(profile->m_account, "alicex");
         EXPECT_EQ(profile->m_keepPin, FALSE);
         ClickSheetButton(*sheet, IDCANCEL);
       })},
  }));
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(profile->m_account, "alice");
  EXPECT_EQ(profile->m_password, "old");
  EXPECT_EQ(profile->m_pin, "123456789012");
  EXPECT_EQ(profile->m_keepPassword, TRUE);
  EXPECT_EQ(profile->m_keepPin, TRUE);
  EXPECT_TRUE(main->Received().empty());
}

TEST_F(SetupSheetTest, HelpOpensTheHelpFileOfTheApplicationDirectory) {
  SetAccount(0, 1, "", "", "");
  auto sheet = MakeSheet();
  std::vector<std::string> opened;
  sheet->m_openHelp = [&](const CString& path) { opened.push_back(path.GetString()); };
  const INT_PTR result = Run(*sheet, {
      Do([&] { ClickSheetButton(*sheet, IDHELP); }),
      Wait([&] { return !opened.empty(); }),
      Do([&] {
        EXPECT_EQ(opened, std::vector<std::string>{dir / "Varlo.chm"});
        ClickSheetButton(*sheet, IDOK);  // PC to PC: no check
      }),
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_TRUE(main->Received().empty());
  // The options page was never shown: neither of its files is written.
  EXPECT_FALSE(Exists(dir / "Set.dat"));
  EXPECT_FALSE(Exists(dir / "Varlo.ini"));
}

TEST_F(SetupSheetTest, AudioPageReportsDevicesAndDelay) {
  profile->m_playDevice = "PLUGHW:CARD=Speakers";  // found by its beginning, in any case
  profile->m_recordDevice = "missing";
  profile->m_audioDelay = 200;
  auto sheet = MakeSheet();
  CSetupPage2& page = sheet->m_page2;
  auto& sys = varlo::win::MessageSystem::Instance();
  auto pick = [&](int id, int index) {
    HWND box = ::GetDlgItem(page.m_hWnd, id);
    sys.Find(box)->As<varlo::win::ComboBoxClass>()->UserSelect(*sys.Find(box), index);
  };
  int wizardRuns = 0;
  page.m_runWizard = [&] {
    ++wizardRuns;
    profile->m_recordDevice = "plughw:CARD=Mic,DEV=0";
  };
  const INT_PTR result = Run(*sheet, {
      Do([&] { sheet->SetActivePage(1); }),
      Wait([&] { return Shown(page); }),
      Do([&] {
        EXPECT_EQ(page.m_playList.GetCount(), 3);
        EXPECT_EQ(page.m_playList.GetCurSel(), 1);
        EXPECT_EQ(page.m_recordList.GetCurSel(), -1);
        EXPECT_EQ(page.m_delaySlider.GetRangeMin(), 50);
        EXPECT_EQ(page.m_delaySlider.GetRangeMax(), 400);
        EXPECT_EQ(page.m_delaySlider.GetPos(), 200);
        EXPECT_EQ(Text(page, CSetupPage2::kDelayText), "200");
        // The wizard button: the page takes the wizard's devices and reports both.
        Click(page, CSetupPage2::kWizardButton);
      }),
      Wait([&] { return wizardRuns == 1 && !main->got.empty(); }),
      Do([&] {
        EXPECT_EQ(page.m_recordList.GetCurSel(), 1);
        EXPECT_EQ(main->got, (std::vector<Posted>{{WM_VARLO_DEVICES_CHANGED, 1, 1}}));
        main->got.clear();
        pick(CSetupPage2::kPlayList, 2);
        // Drag the slider's thumb to the left and let go.
        CRect r;
        ::GetWindowRect(::GetDlgItem(page.m_hWnd, CSetupPage2::kDelaySlider), &r);
        const int y = (r.top + r.bottom) / 2;
        const int thumbX = r.left + 8 + (r.Width() - 16) * (200 - 50) / 350;
        sim.MouseMove(thumbX, y);
        sim.MouseDown();
        sim.MouseMove(thumbX - r.Width() / 5, y);
        sim.MouseMove(thumbX - r.Width() / 4, y);
        sim.MouseUp();
      }),
      Wait([&] { return profile->m_audioDelay != 200; }),
      Do([&] {
        EXPECT_LT(profile->m_audioDelay, 200);
        EXPECT_GE(profile->m_audioDelay, 50);
        EXPECT_EQ(page.m_delaySlider.GetPos(), profile->m_audioDelay);
        EXPECT_EQ(Text(page, CSetupPage2::kDelayText), std::to_string(profile->m_audioDelay));
        // Letting go of the slider shows the devices of the page's opening again.
        EXPECT_EQ(page.m_playList.GetCurSel(), 1);
        pick(CSetupPage2::kPlayList, 2);
        ClickSheetButton(*sheet, IDOK);
      }),
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(profile->m_playDevice, "pulse");
  EXPECT_EQ(profile->m_recordDevice, "plughw:CARD=Mic,DEV=0");
  EXPECT_EQ(main->Received(), (std::vector<Posted>{{WM_VARLO_DEVICES_CHANGED, 1, 0}}));
}

TEST_F(SetupSheetTest, OptionsThatCannotBeSavedAreReportedAndStillApplied) {
  g_appDir = CString((dir / "gone/").c_str());  // a folder that does not exist
  CPhoneEndPoint endpoint;
  H323_GSM0610Capability gsm;
  H323_G7231Capability g7231;
  endpoint.m_gsmCapability = &gsm;
  endpoint.m_g7231Capability = &g7231;
  endpoint.SetSilenceDetectionMode(H323AudioCodec::NoSilenceDetection);
  auto sheet = MakeSheet();
  sheet->m_endpoint = &endpoint;
  const INT_PTR result = Run(*sheet, {
      Do([&] { sheet->SetActivePage(2); }),
      Wait([&] { return Shown(sheet->m_page3); }),
      Do([&] { ClickSheetButton(*sheet, IDOK); }),
  });
  EXPECT_EQ(result, IDOK);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_NE(Boxes()[0].find("Set.dat"), std::string::npos) << Boxes()[0];
  EXPECT_EQ(endpoint.GetSilenceDetectionMode(), H323AudioCodec::AdaptiveSilenceDetection);
  EXPECT_EQ(gsm.GetTxFramesInPacket(), 4u);
  endpoint.m_gsmCapability = nullptr;
  endpoint.m_g7231Capability = nullptr;
}

// The whole round from the main window: My Account, the options page, OK.
TEST_F(SetupSheetTest, OptionsPageSwitchesTheLanguageAndTheWindowsTextsAtOnce) {
  const std::string libraries = VARLO_LANGUAGE_LIBRARY_DIR;
  CVarloApp app;
  app.m_hOwnResources = varlo::win::ExecutableModule();
  app.m_hChinaDll = LoadLibrary((libraries + "/China.dll").c_str());
  app.m_hTraditionalDll = LoadLibrary((libraries + "/Traditional.dll").c_str());
  ASSERT_TRUE(app.m_hChinaDll);
  WriteBytes(dir / "Varlo.ini", Bytes{'0'});
  profile->SaveAudioSettings();  // saved sound devices: no first-run audio wizard over the window
  auto chinese = [&](UINT id) {
    char text[256] = {};
    LoadString(app.m_hChinaDll, id, text, sizeof(text));
    return CString(text);
  };
  CSetupSheet* sheet = nullptr;
  HWND sheetWnd = nullptr;
  wxImage before;
  {
    CVarloDlg dlg(dir.Path().c_str(), QuietServices());
    app.m_pMainWnd = &dlg;
    auto callButtonPixels = [&] {
      wxBitmap shot;
      EXPECT_TRUE(varlo::wx::CaptureWindow(dlg.m_hWnd, shot));
      return shot.ConvertToImage().GetSubImage(wxRect(25, 195, 40, 28));
    };
    auto page = [&]() -> CSetupPage3& { return sheet->m_page3; };
    // The call button's face once the screen shows it: the same on two looks in a row,
    // and not of one colour (the bare window).
    wxImage lastLook;
    auto callButtonDrawn = [&] {
      const wxImage now = callButtonPixels();
      const bool settled = lastLook.IsOk() && SamePixels(now, lastLook) && !OneColour(now);
      lastLook = now;
      return settled;
    };
    CStepRunner runner(
        {Wait([&] { return OnScreen(dlg.m_hWnd) && callButtonDrawn(); }),
         Do([&] {
           before = lastLook;
           Click(::GetDlgItem(dlg.m_hWnd, varlo::ids::kMyAccount));
         }),
         Wait([&] {
           sheetWnd = ::FindWindow(nullptr, "Preferences");
           sheet = dynamic_cast<CSetupSheet*>(CWnd::FromHandlePermanent(sheetWnd));
           return sheet && Shown(sheet->m_page1);
         }),
         Do([&] { sheet->SetActivePage(2); }),
         Wait([&] { return Shown(page()); }),
         Do([&] {
           EXPECT_EQ(Text(page(), CSetupPage3::kLanguageBox), "English");
           EXPECT_EQ(Checked(page(), CSetupPage3::kSilenceCheck), 1);  // no option file: on, 4
           EXPECT_EQ(Text(page(), CSetupPage3::kFramesEdit), "4");
           Click(page(), CSetupPage3::kSilenceCheck);
         }),
         Wait([&] { return Checked(page(), CSetupPage3::kSilenceCheck) == 0; }),
         Do([&] { Click(page(), CSetupPage3::kFramesEdit); }),
         Wait([&] { return Focused(page(), CSetupPage3::kFramesEdit); }),
         Do([&] {
           sim.Char(WXK_END);
           sim.Char(WXK_BACK);
         }),
         Wait([&] { return Text(page(), CSetupPage3::kFramesEdit).empty(); }),
         Do([&] { sim.Text("9"); }),
         Wait([&] { return Text(page(), CSetupPage3::kFramesEdit) == "9"; }),
         Do([&] {
           auto& sys = varlo::win::MessageSystem::Instance();
           HWND box = ::GetDlgItem(page().m_hWnd, CSetupPage3::kLanguageBox);
           sys.Find(box)->As<varlo::win::ComboBoxClass>()->UserSelect(*sys.Find(box), 1);
         }),
         Wait([&] { return Text(page(), CSetupPage3::kLanguageBox) == "Simplify Chinese"; }),
         Do([&] { ClickSheetButton(*sheet, IDOK); }),
         Wait([&] { return !::IsWindow(sheetWnd); }),
         // The button's face in the new language reaches the screen.
         Wait([&] { return !SamePixels(callButtonPixels(), before); }),
         Do([&] {
           EXPECT_EQ(ReadBytes(dir / "Varlo.ini"), Bytes{'1'});
           EXPECT_EQ(ReadBytes(dir / "Set.dat"), (Bytes{'0', '3'}));  // 9 is written and applied as 3
           EXPECT_EQ(dlg.m_endpoint.GetSilenceDetectionMode(), H323AudioCodec::NoSilenceDetection);
           EXPECT_EQ(dlg.m_endpoint.m_gsmCapability->GetTxFramesInPacket(), 3u);
           EXPECT_EQ(dlg.m_endpoint.m_g7231Capability->GetTxFramesInPacket(), 3u);
           EXPECT_EQ(AfxGetResourceHandle(), app.m_hChinaDll);
           EXPECT_EQ(dlg.m_statusText, chinese(104));
           EXPECT_EQ(dlg.m_modeText, chinese(114));  // PC to PC, as the profile was
           CString item;
           dlg.GetPopupMenu()->GetSubMenu(0)->GetMenuString(0, item, MF_BYPOSITION);
           CMenu china;
           ASSERT_TRUE(china.LoadMenu(200));
           CString expected;
           china.GetSubMenu(0)->GetMenuString(0, expected, MF_BYPOSITION);
           EXPECT_EQ(item, expected);
           EXPECT_NE(item, "Send Mail");
           dlg.SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kExit, BN_CLICKED), 0);
         })},
        [&] {
          if (::IsWindow(sheetWnd)) sheet->EndDialog(-2);
          dlg.EndDialog(IDCANCEL);
        });
    dlg.DoModal();
    app.m_pMainWnd = nullptr;
  }
  EXPECT_TRUE(sheet);
  AfxSetResourceHandle(varlo::win::ExecutableModule());
  FreeLibrary(app.m_hChinaDll);
  FreeLibrary(app.m_hTraditionalDll);
  app.m_hChinaDll = app.m_hTraditionalDll = nullptr;
}

}  // namespace

extern "C" const char* __lsan_default_suppressions() { return ToolkitLeakSuppressions(); }
