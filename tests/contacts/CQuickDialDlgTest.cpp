// The quick-dial panel beside a display-free main window on a manual clock: the slide out
// and back, docking while the main window moves, dialling and editing slots, and what is
// left in the slots' file however the panel ends.
#include "contacts/CQuickDialDlg.h"

#include <functional>
#include <memory>
#include <string>

#include "contacts/QuickDialFile.h"
#include "platform/win/Input.h"
#include "platform/win/WinApp.h"
#include "platform/win/WindowState.h"
#include "tests/ui/CVarloDlgTestFixture.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"

namespace {

using varlo::win::SimulateClick;

const QuickDialSlots kSaved = {{{"Ann", "127.0. 0.2"}, {"", ""}, {"Carl", "5551234"}, {"", ""}, {"Eve", "42"}}};

class QuickDialTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    SaveProfile([](CUserProfile& p) { p.m_callType = 0; });
    main = std::make_unique<CVarloDlg>(dir.Path().c_str(), QuietServices());
    ASSERT_TRUE(main->Create(CVarloDlg::IDD));
    app.m_pMainWnd = main.get();
  }
  void TearDown() override {
    main.reset();
    app.m_pMainWnd = nullptr;
    UiTest::TearDown();
  }
  std::string FilePath() const { return dir / "Quickdail.dat"; }
  void OpenPanel() {
    main->SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kSideButton, BN_CLICKED), 0);
    ASSERT_NE(Panel(), nullptr);
  }
  CQuickDialDlg* Panel() const { return main->m_quickDialDlg; }
  void Tick(int ticks = 1) {
    for (int i = 0; i < ticks; ++i) {
      clock->Advance(CQuickDialDlg::kSlideTimerMs);
      Sys().Pump();
    }
  }
  void SlideOut() {
    OpenPanel();
    Tick(CQuickDialDlg::kLastSlideStep + 1);
  }
  CRect MainRect() const {
    CRect r;
    main->GetWindowRect(&r);
    return r;
  }
  CRect PanelRect() const {
    CRect r;
    Panel()->GetWindowRect(&r);
    return r;
  }
  bool PanelTopmost() const { return Panel()->State()->Topmost(); }
  void PressCloseStrip() { Panel()->SendMessage(WM_COMMAND, MAKEWPARAM(CQuickDialDlg::kCloseStrip, BN_CLICKED), 0); }

  CWinApp app;
  std::unique_ptr<CVarloDlg> main;
};

TEST_F(QuickDialTest, SlidesOutFromBehindTheRightEdgeAndDocksOnTop) {
  OpenPanel();
  EXPECT_FALSE(main->m_sideButton.IsWindowEnabled());
  EXPECT_EQ(main->m_sideButton.NormalBitmapId(), 220u);
  const CRect m = MainRect();
  EXPECT_EQ(PanelRect().right, m.right);  // behind the main window, which is topmost
  EXPECT_EQ(PanelRect().top, m.top + 35);
  EXPECT_TRUE(main->State()->Topmost());
  for (int step = 1; step <= 21; ++step) {
    Tick();
    EXPECT_EQ(PanelRect(), CRect(CPoint(m.right - 148 + 7 * step, m.top + 35), CSize(143, 228))) << step;
    EXPECT_EQ(Panel()->m_slideStep, step);
    EXPECT_FALSE(PanelTopmost());
    if (step == 5) {
      PressCloseStrip();  // waits until the panel has slid out
      EXPECT_FALSE(Sys().HasTimer(Panel()->m_hWnd, CQuickDialDlg::kSlideInTimer));
    }
  }
  Tick();
  EXPECT_EQ(Panel()->m_slideStep, 0);
  EXPECT_TRUE(PanelTopmost());
  EXPECT_EQ(PanelRect().left, m.right - 1);
  EXPECT_FALSE(Sys().HasTimer(Panel()->m_hWnd, CQuickDialDlg::kSlideOutTimer));
  EXPECT_TRUE(Panel()->IsWindowVisible());
}

TEST_F(QuickDialTest, FollowsTheMainWindowAndHidesWhileSlidingOrAboveTheScreen) {
  OpenPanel();
  Tick(3);
  main->MoveWindow(300, 200, CVarloDlg::kWindowWidth, CVarloDlg::kWindowHeight);
  EXPECT_FALSE(Panel()->IsWindowVisible());  // sliding: the next step shows it at the new place
  Tick();
  EXPECT_TRUE(Panel()->IsWindowVisible());
  EXPECT_EQ(PanelRect().TopLeft(), CPoint(300 + 471 - 148 + 7 * 4, 235));
  Tick(CQuickDialDlg::kLastSlideStep);

  struct Case {
    CPoint to;
    bool shown;
  } cases[] = {{{120, 80}, true}, {{40, -150}, false}, {{60, 30}, true}};
  for (const Case& c : cases) {
    main->MoveWindow(c.to.x, c.to.y, CVarloDlg::kWindowWidth, CVarloDlg::kWindowHeight);
    EXPECT_EQ(Panel()->IsWindowVisible() != 0, c.shown) << c.to.y;
    if (c.shown) {
      EXPECT_EQ(PanelRect(), QuickDialDockRect(MainRect()));
    }
  }
}

TEST_F(QuickDialTest, CloseStripSlidesInBehindTheMainWindowThenClosesAndWritesTheSlots) {
  ASSERT_TRUE(quickdial::Write(FilePath().c_str(), kSaved));
  SlideOut();
  EXPECT_EQ(Panel()->GetSlots(), kSaved);
  const CRect m = MainRect();
  PressCloseStrip();
  EXPECT_FALSE(PanelTopmost());
  for (int step = 0; step <= 20; ++step) {
    Tick();
    EXPECT_EQ(PanelRect().TopLeft(), CPoint(m.right - 7 * step - 1, m.top + 35)) << step;
  }
  std::remove(FilePath().c_str());
  Tick();  // posts the close
  EXPECT_EQ(Panel(), nullptr);
  EXPECT_EQ(main->m_quickDialOpen, 0);
  EXPECT_TRUE(main->m_sideButton.IsWindowEnabled());
  EXPECT_EQ(main->m_sideButton.NormalBitmapId(), 221u);
  EXPECT_EQ(quickdial::Read(FilePath().c_str()), kSaved);

  // The side button opens a new panel with the slots again.
  OpenPanel();
  EXPECT_EQ(Panel()->GetSlots(), kSaved);
}

TEST_F(QuickDialTest, MainWindowForgetsThePanelAsSoonAsItsWindowIsGone) {
  SlideOut();
  Panel()->SendMessage(WM_CLOSE);
  EXPECT_EQ(Panel(), nullptr);
  EXPECT_EQ(main->m_quickDialOpen, 1);  // until the close message arrives
  main->MoveWindow(90, 90, CVarloDlg::kWindowWidth, CVarloDlg::kWindowHeight);  // docks nothing
  Sys().Pump();
  EXPECT_EQ(main->m_quickDialOpen, 0);
}

TEST_F(QuickDialTest, FilledSlotDialsThroughTheMainWindowWithoutItsSpaces) {
  ASSERT_TRUE(quickdial::Write(FilePath().c_str(), kSaved));
  SlideOut();
  SimulateClick(Panel()->m_nameLabels[0].m_hWnd);
  EXPECT_EQ(main->m_statusText, "Dialing...");
  EXPECT_EQ(main->m_numberText, "127.0.0.2");
  EXPECT_NE(LogText().find("Call: 127.0.0.2"), std::string::npos);
  EXPECT_TRUE(varlo::win::ShownMessageBoxes().empty());  // the endpoint took the call
  EXPECT_FALSE(main->m_callButton.IsWindowEnabled());
  main->SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kHang, BN_CLICKED), 0);
}

TEST_F(QuickDialTest, MouseOverASlotColoursBothItsLabels) {
  SlideOut();
  CRect r;
  Panel()->m_numberLabels[2].GetWindowRect(&r);
  varlo::win::RouteMouse(WM_MOUSEMOVE, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, 0);
  for (int i = 0; i < kQuickDialSlots; ++i) {
    const COLORREF expected = i == 2 ? CQuickDialDlg::kHoverColour : CQuickDialDlg::kNormalColour;
    EXPECT_EQ(Panel()->m_nameLabels[i].m_textColour, expected) << i;
    EXPECT_EQ(Panel()->m_numberLabels[i].m_textColour, expected) << i;
  }
}

// The entry dialog of an empty slot; the panel stays while it is open, whatever asks it
// to close, and closes once the dialog has ended.
TEST_F(QuickDialTest, EmptySlotOpensTheEntryDialogAndClosingWaitsForIt) {
  SlideOut();
  CStepWnd steps;
  HWND panelWindow = Panel()->m_hWnd;
  bool opened = false;
  steps.Later([&] {
    HWND entry = ::FindWindow(nullptr, "Phone Entry");
    opened = entry != nullptr;
    if (!entry) return;
    EXPECT_FALSE(::IsWindowEnabled(panelWindow));
    PressCloseStrip();
    Panel()->SendMessage(WM_CLOSE);
    EXPECT_TRUE(::IsWindow(panelWindow));
    EXPECT_FALSE(Sys().HasTimer(panelWindow, CQuickDialDlg::kSlideInTimer));
    ::SetWindowText(::GetDlgItem(entry, 1010), "Ann Lee");
    ::SetWindowText(::GetDlgItem(entry, 1048), "555 1234");
    ::SendMessage(entry, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  });
  steps.Later([&] {  // only if the dialog is still open
    if (HWND entry = ::FindWindow(nullptr, "Phone Entry")) ::SendMessage(entry, WM_COMMAND, IDCANCEL, 0);
  });
  SimulateClick(Panel()->m_numberLabels[3].m_hWnd);
  EXPECT_TRUE(opened);
  EXPECT_FALSE(::IsWindow(panelWindow));  // the close asked for meanwhile
  EXPECT_EQ(Panel(), nullptr);
  QuickDialSlots expected{};
  expected[3] = {"Ann Lee", "555 1234"};
  EXPECT_EQ(quickdial::Read(FilePath().c_str()), expected);
  Sys().Pump();
  EXPECT_EQ(main->m_quickDialOpen, 0);
}

// However the program ends, the file keeps the slots: the main window deletes an open
// panel (whose labels still hold them), waits for an entry dialog to end, and never
// writes over what a closed panel wrote.
TEST_F(QuickDialTest, MainWindowGoingKeepsTheSlotsInTheFile) {
  enum class End { kPanelOpen, kPanelClosedFirst, kEntryDialogOpen };
  for (End end : {End::kPanelOpen, End::kPanelClosedFirst, End::kEntryDialogOpen}) {
    SCOPED_TRACE(static_cast<int>(end));
    if (!main) {
      main = std::make_unique<CVarloDlg>(dir.Path().c_str(), QuietServices());
      ASSERT_TRUE(main->Create(CVarloDlg::IDD));
      app.m_pMainWnd = main.get();
    }
    ASSERT_TRUE(quickdial::Write(FilePath().c_str(), kSaved));
    SlideOut();
    HWND panelWindow = Panel()->m_hWnd;
    if (end == End::kPanelClosedFirst) {
      PressCloseStrip();
      Tick(23);
      ASSERT_EQ(Panel(), nullptr);
      main->DestroyWindow();
    } else if (end == End::kPanelOpen) {
      main->DestroyWindow();
    } else {
      CStepWnd steps;
      steps.Later([&] { main->DestroyWindow(); });
      SimulateClick(Panel()->m_numberLabels[1].m_hWnd);  // an empty slot
    }
    EXPECT_FALSE(::IsWindow(panelWindow));
    EXPECT_EQ(quickdial::Read(FilePath().c_str()), kSaved);
    main.reset();
  }
}

}  // namespace
