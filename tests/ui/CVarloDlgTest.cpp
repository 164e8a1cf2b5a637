// The main window without a display: what its construction and initialisation do with the
// saved profile, the skin's shape and faces, its colours, its keys, and what closing it
// leaves in the profile's files.
#include <chrono>
#include <vector>

#include "CVarloDlgTestFixture.h"
#include "platform/win/ControlClasses.h"
#include "platform/win/DC.h"
#include "platform/win/GdiData.h"
#include "platform/win/Input.h"
#include "platform/win/WindowState.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

// Records the login messages the window posts to itself.
class CWatchedDlg : public CVarloDlg {
 public:
  using CVarloDlg::CVarloDlg;
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->hwnd == m_hWnd && (msg->message == WM_VARLO_ACCOUNT_LOGIN || msg->message == WM_VARLO_CARD_LOGIN)) {
      posted.push_back(msg->message);
    }
    return CVarloDlg::PreTranslateMessage(msg);
  }
  std::vector<UINT> posted;
};

class MainWindowTest : public UiTest {
 protected:
  CRect RectOf(CWnd& dlg, int id) {
    CRect r;
    ::GetWindowRect(::GetDlgItem(dlg.m_hWnd, id), &r);
    dlg.ScreenToClient(&r);
    return r;
  }
};

TEST_F(MainWindowTest, OpeningLogsInByTheSavedModeOrAsksToRegister) {
  struct Case {
    int callType, loginMode;
    BOOL keepPassword, keepPin;
    std::vector<UINT> posted;
    const char* mode;
    const char* status;
  };
  const Case cases[] = {
      {1, 1, TRUE, FALSE, {WM_VARLO_ACCOUNT_LOGIN}, "Place Lumoreth Call", "Registration Failed"},
      {1, 1, FALSE, TRUE, {}, "Place Lumoreth Call", "Please Register"},
      {1, 2, FALSE, TRUE, {WM_VARLO_CARD_LOGIN}, "Place Lumoreth Call", "Registration Failed"},
      {1, 2, TRUE, FALSE, {}, "Place Lumoreth Call", "Please Register"},
      {1, 0, TRUE, TRUE, {}, "Place Lumoreth Call", ""},
      {0, 1, TRUE, TRUE, {}, "Place PC2PC Call", "Please Input IP Address"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "call type " << c.callType << " login mode " << c.loginMode);
    SaveProfile([&](CUserProfile& p) {
      p.m_callType = c.callType;
      p.m_loginMode = c.loginMode;
      p.m_keepPassword = c.keepPassword;
      p.m_keepPin = c.keepPin;
      p.m_account = "alice";
      p.m_password = "secret";
      p.m_pin = "123456789012";
    });
    CWatchedDlg dlg(dir.Path().c_str(), QuietServices());
    ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
    Sys().Pump();
    // A login started fails at once (the test's gatekeeper addresses are empty).
    ASSERT_TRUE(dlg.m_registerRunner.WaitIdle(std::chrono::seconds(5)));
    Sys().Pump();
    EXPECT_EQ(dlg.posted, c.posted);
    EXPECT_EQ(dlg.m_modeText, c.mode);
    EXPECT_EQ(dlg.m_statusText, c.status);
    dlg.DestroyWindow();
  }
}

TEST_F(MainWindowTest, SavedPositionOffTheScreenIsReplacedBy100) {
  struct Case {
    LONG saved;
    int screen;
    LONG shown;
  };
  const Case cases[] = {{-20, 1280, 100}, {50, 1280, 50}, {1270, 1280, 1270}, {1271, 1280, 100}, {0, 1280, 0}};
  for (const Case& c : cases) EXPECT_EQ(CorrectedWindowEdge(c.saved, c.screen), c.shown) << c.saved;

  SaveProfile([](CUserProfile& p) {
    p.m_windowLeft = -20;
    p.m_windowTop = 50;
  });
  {
    CVarloDlg dlg(dir.Path().c_str(), QuietServices());
    ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
    CRect r;
    dlg.GetWindowRect(&r);
    EXPECT_EQ(r, CRect(100, 50, 571, 341));
    EXPECT_EQ(dlg.m_profile.m_windowLeft, 100);
  }
  CUserProfile saved(dir.Path().c_str(), QuietServices());
  EXPECT_EQ(saved.m_windowLeft, 100);
  EXPECT_EQ(saved.m_windowTop, 50);
}

TEST_F(MainWindowTest, FirstRunLeavesTheWindowWhereTheTemplatePutsIt) {
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  ASSERT_TRUE(dlg.m_profile.m_firstRun);
  ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
  CRect r;
  dlg.GetWindowRect(&r);
  EXPECT_EQ(r.TopLeft(), CPoint(0, 0));
}

TEST_F(MainWindowTest, ClosingKeepsPositionAndTheNumberBoxListAsDialHistory) {
  SaveProfile([](CUserProfile& p) {
    p.m_dialHistory.Add("5551234");
    p.m_dialHistory.Add("5550000");
  });
  {
    CVarloDlg dlg(dir.Path().c_str(), QuietServices());
    ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
    ASSERT_EQ(dlg.m_numberBox.GetCount(), 2);
    dlg.m_numberBox.SetWindowText("12-34-5");
    EXPECT_EQ(dlg.m_numberBox.TakeNumber(), "12345");
    dlg.MoveWindow(200, 120, 471, 291);
    dlg.DestroyWindow();
  }
  CUserProfile saved(dir.Path().c_str(), QuietServices());
  ASSERT_EQ(saved.m_dialHistory.GetSize(), 3);
  EXPECT_EQ(saved.m_dialHistory[0], "12345");
  EXPECT_EQ(saved.m_dialHistory[1], "5551234");
  EXPECT_EQ(saved.m_dialHistory[2], "5550000");
  EXPECT_EQ(saved.m_windowLeft, 200);
  EXPECT_EQ(saved.m_windowTop, 120);
}

TEST_F(MainWindowTest, SkinCutsTheCornersAndPlacesTheFaces) {
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
  auto* region = dlg.State()->region.get();
  ASSERT_NE(region, nullptr);
  EXPECT_FALSE(region->Contains(POINT{1, 1}));
  EXPECT_FALSE(region->Contains(POINT{469, 289}));
  EXPECT_TRUE(region->Contains(POINT{15, 1}));
  EXPECT_TRUE(region->Contains(POINT{235, 145}));
  EXPECT_FALSE(region->Contains(POINT{471, 145}));

  struct Face {
    int id;
    CRect rect;
    UINT normal, pressed;
    const char* tooltip;
  };
  const Face faces[] = {
      {varlo::ids::kCall, CRect(25, 195, 74, 228), 163, 145, "Call"},
      {varlo::ids::kHang, CRect(74, 195, 119, 228), 162, 158, "HangUp"},
      {varlo::ids::kBook, CRect(119, 195, 163, 228), 130, 150, "PhoneBook"},
      {varlo::ids::kTalkLog, CRect(94, 240, 151, 255), 233, 232, ""},
      {varlo::ids::kExit, CRect(441, 7, 459, 25), 159, 131, ""},  // 18 x 18 of a 19 x 19 face
      {varlo::ids::kVolumeDown, CRect(248, 93, 268, 115), 237, 236, ""},
      {varlo::ids::kKey1 + 7, CRect(345, 126, 379, 149), 132, 170, ""},
      {varlo::ids::kCallLamp, CRect(398, 38, 418, 47), 243, 243, ""},
      {varlo::ids::kSideButton, CRect(456, 34, 470, 262), 221, 221, "Open"},
  };
  for (const Face& f : faces) {
    SCOPED_TRACE(f.id);
    EXPECT_EQ(RectOf(dlg, f.id), f.rect);
    auto* button = dynamic_cast<CBitmapButton*>(CWnd::FromHandlePermanent(::GetDlgItem(dlg.m_hWnd, f.id)));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->NormalBitmapId(), f.normal);
    EXPECT_EQ(button->SelectedBitmapId(), f.pressed);
    EXPECT_EQ(varlo::win::TooltipTextFor(button->m_hWnd), f.tooltip);
  }
  EXPECT_EQ(RectOf(dlg, varlo::ids::kNumberBox).TopLeft(), CPoint(38, 59));
}

TEST_F(MainWindowTest, DialogGetsTheSkinPatternAndEditsTheDarkColours) {
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
  CDC dc;
  const HWND edit = ::GetDlgItem(dlg.m_hWnd, varlo::ids::kNumberBox);
  const LRESULT editBrush = Sys().CallWindow(dlg.m_hWnd, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc.GetSafeHdc()),
                                             reinterpret_cast<LPARAM>(edit));
  EXPECT_EQ(reinterpret_cast<HBRUSH>(editBrush), static_cast<HBRUSH>(dlg.m_editBrush));
  EXPECT_EQ(dc.GetBkColor(), 0x00372807u);
  EXPECT_EQ(dc.GetTextColor(), 0x00FFFFFFu);
  const LRESULT dlgBrush = Sys().CallWindow(dlg.m_hWnd, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc.GetSafeHdc()),
                                            reinterpret_cast<LPARAM>(dlg.m_hWnd));
  EXPECT_EQ(reinterpret_cast<HBRUSH>(dlgBrush), static_cast<HBRUSH>(dlg.m_bkBrush));
}

TEST_F(MainWindowTest, KeysEditTheNumberAndNeverCloseTheWindow) {
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
  dlg.m_key5.SetFocus();
  for (UINT vk : {UINT('1'), VK_NUMPAD0 + 2, VK_MULTIPLY, VK_DECIMAL, UINT('A'), VK_ADD, VK_BACK, UINT('9')}) {
    varlo::win::SimulateKey(vk, dlg.m_key5.m_hWnd);
  }
  varlo::win::SimulateClick(::GetDlgItem(dlg.m_hWnd, varlo::ids::kKeyHash));
  CString text;
  dlg.m_numberBox.GetWindowText(text);
  EXPECT_EQ(text, "12*9#");
  varlo::win::SimulateKey(VK_ESCAPE, dlg.m_key5.m_hWnd);
  Sys().Pump();
  EXPECT_TRUE(dlg.IsWindow());
  EXPECT_TRUE(dlg.IsWindowVisible());
}

TEST_F(MainWindowTest, RefusedCallsLeaveTheWindowIdleAgain) {
  struct Case {
    int callType;
    const char* typed;
    const char* box;        // the message box shown, "" for none
    const char* callLine;   // the talk log's call line, "" for none
    const char* status;
  };
  const Case cases[] = {
      // A dialled number without a gatekeeper: the endpoint starts no call.
      {0, "5551234", "                 Can't make a call!\r\nPlease check your internet connection!",
       "Call: 5551234", "Dialing..."},
      {1, "5551234", "Please Register Again!", "", ""},
      {0, "", "", "", "Please Input IP Address"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    std::remove(LogPath().c_str());
    varlo::win::ClearShownMessageBoxes();
    SaveProfile([&](CUserProfile& p) { p.m_callType = c.callType; });
    CVarloDlg dlg(dir.Path().c_str(), QuietServices());
    ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
    dlg.m_numberBox.SetWindowText(c.typed);
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kCall, BN_CLICKED), 0);
    const auto boxes = varlo::win::ShownMessageBoxes();
    if (*c.box) {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_EQ(boxes[0].text, c.box);
    } else {
      EXPECT_TRUE(boxes.empty());
    }
    EXPECT_EQ(LogText().find("Call: ") != std::string::npos, *c.callLine != 0);
    if (*c.callLine) {
      EXPECT_NE(LogText().find(c.callLine), std::string::npos);
    }
    EXPECT_EQ(dlg.m_statusText, c.status);
    EXPECT_TRUE(dlg.m_callButton.IsWindowEnabled());
    EXPECT_TRUE(dlg.m_myAccountButton.IsWindowEnabled());
    EXPECT_FALSE(Sys().HasTimer(dlg.m_hWnd, CVarloDlg::kCallLampTimer));
    dlg.DestroyWindow();
  }
}

TEST_F(MainWindowTest, ExitCommandEndsTheModalLoopAndTheFilesAreWritten) {
  {
    CVarloDlg dlg(dir.Path().c_str(), QuietServices());
    CStepWnd steps;
    steps.Later([&] { dlg.SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kExit, BN_CLICKED), 0); });
    dlg.DoModal();
    EXPECT_FALSE(dlg.IsWindow());
  }
  for (const char* file : {"audio.dat", "ui.dat", "client.dat", "calls.dat"}) EXPECT_TRUE(Exists(dir / file)) << file;
}

TEST(QuickDialDock, PanelOverlapsTheRightEdgeBelowTheTop) {
  EXPECT_EQ(QuickDialDockRect(CRect(100, 50, 571, 341)), CRect(570, 85, 715, 313));
}

}  // namespace
