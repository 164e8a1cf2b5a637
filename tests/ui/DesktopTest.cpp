// The main window on a real desktop, as a new user meets it: owned windows above the
// topmost telephone, the M menu, minimise and restore, the dial history's list, the Phone
// Log's last line and quick clicks on the level buttons.  The test command runs these on
// bare Xvfb and again under a window manager (openbox), where stacking really matters.
#include <gtest/gtest.h>

#include <wx/uiaction.h>
#include <wx/wx.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "CVarloDlgTestFixture.h"
#include "tests/support/XDesktop.h"
#include "platform/win/ControlClasses.h"
#include "platform/win/MessageBox.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/WinApp.h"
#include "platform/wx/WxBackend.h"
#include "platform/wx/WxSkinCombo.h"
#include "tests/support/WindowTestSupport.h"
#include "tests/support/WxTestToolkit.h"
#include "ui/CPhoneLogDlg.h"
#include "ui/CVarloDlg.h"
#include "ui/TalkLog.h"
#include "ui/VarloMessages.h"

namespace {

// Steps run one after another inside whatever loop runs; a step is repeated until it says
// it is done (the state it waits for has come), and the test fails when one never is.
class CWaitScript : public CWnd {
 public:
  using Step = std::function<bool()>;
  static constexpr int kTriesPerStep = 80;  // 20 s at the timer's pace
  explicit CWaitScript(std::vector<Step> steps) : m_steps(std::move(steps)) {
    CreateEx(0, "", "wait-script", WS_POPUP, CRect(0, 0, 1, 1), nullptr, 0);
    SetTimer(1, 250);
  }
  bool Finished() const { return m_next >= m_steps.size(); }

 protected:
  void OnTimer(UINT_PTR) {
    if (Finished()) return;
    // The step counts as passed while it runs: a step that opens a modal window returns
    // only once the window is closed, and the steps after it run in that window's loop.
    const size_t index = m_next;
    m_next = index + 1;
    const bool done = m_steps[index]();
    if (done || m_next != index + 1) {
      m_tries = 0;
    } else if (++m_tries > kTriesPerStep) {
      ADD_FAILURE() << "step " << index << " never came to its state";
      m_tries = 0;
    } else {
      m_next = index;
    }
  }
  DECLARE_MESSAGE_MAP()

 private:
  std::vector<Step> m_steps;
  size_t m_next = 0;
  int m_tries = 0;
};

BEGIN_MESSAGE_MAP(CWaitScript, CWnd)
  ON_WM_TIMER()
END_MESSAGE_MAP()

wxPoint CentreOf(HWND dlg, int id) {
  CRect r;
  ::GetWindowRect(::GetDlgItem(dlg, id), &r);
  return wxPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// The toolkit's assertions would open their own boxes; here they are counted.
int g_assertions = 0;

class Desktop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!StartTestToolkit("ui_tests")) GTEST_SKIP() << "no X display";
    ASSERT_TRUE(x.Open());
    varlo::wx::InstallBackend();
    AfxSetResourceHandle(varlo::win::ExecutableModule());
    varlo::win::SetMessageBoxHook(nullptr);
    g_assertions = 0;
    wxSetAssertHandler([](const wxString&, int, const wxString&, const wxString&, const wxString&) { ++g_assertions; });
  }
  void TearDown() override {
    wxSetDefaultAssertHandler();
    varlo::win::MessageSystem::Instance().Reset(nullptr, nullptr, nullptr);
  }
  // The profile of a main window opened at `at`.
  void Profile(CPoint at, const std::function<void(CUserProfile&)>& edit = {}) {
    CUserProfile profile(dir.Path().c_str(), QuietServices());
    profile.m_windowLeft = at.x;
    profile.m_windowTop = at.y;
    if (edit) edit(profile);
  }
  // Runs the main window with the steps, then ends it.
  void Run(CVarloDlg& dlg, std::vector<CWaitScript::Step> steps) {
    steps.push_back([&] {
      dlg.EndDialog(IDCANCEL);
      return true;
    });
    CWaitScript script(std::move(steps));
    dlg.DoModal();
    EXPECT_TRUE(script.Finished());
  }
  XDesktop x;
  TempDir dir;
  wxUIActionSimulator sim;
};

TEST_F(Desktop, OwnedWindowsOpenAboveTheTopmostTelephone) {
  const CPoint at(400, 80);
  Profile(at);
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  XWindow main = 0;
  // Each kind of window the telephone opens over itself: opened from a step, checked from
  // a later one while it is up, closed by the check.
  struct Owned {
    const char* title;
    std::function<void()> open;
    std::function<void()> close;
  };
  bool boxUp = false;
  const Owned owned[] = {
      {"Stacking probe", [&] {
         boxUp = true;
         dlg.MessageBox("An owned message box", "Stacking probe", MB_OKCANCEL);
         boxUp = false;
       },
       [&] {
         if (HWND box = ::FindWindow(nullptr, "Stacking probe")) ::SendMessage(box, WM_COMMAND, IDCANCEL, 0);
       }},
      {"Phone Log", [&] { dlg.SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kTalkLog, BN_CLICKED), 0); },
       [&] {
         if (HWND log = ::FindWindow(nullptr, "Phone Log")) ::SendMessage(log, WM_COMMAND, IDOK, 0);
       }},
  };
  std::vector<CWaitScript::Step> steps;
  steps.push_back([&] {
    main = x.Find("Varlo 3.8");
    return main != 0 && dlg.IsWindowVisible();
  });
  for (const Owned& o : owned) {
    steps.push_back([&o] {
      o.open();
      return true;
    });
    steps.push_back([&] {
      const XWindow w = x.Find(o.title);
      if (!w) return false;
      if (x.TransientFor(w) != main) return false;  // not marked as the telephone's own
      if (x.WindowManagerRuns()) {
        if (!x.IsAbove(w, main)) return false;  // wait for the window manager to stack it
      }
      o.close();
      return true;
    });
    steps.push_back([&] { return !boxUp && !x.Find(o.title); });
  }
  Run(dlg, steps);
}

TEST_F(Desktop, MenuButtonOpensItsMenuWithoutAssertionsAndAboutStaysAbove) {
  const CPoint at(400, 80);
  Profile(at);
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  CWinApp app;  // the About box's owner is the application's main window
  app.m_pMainWnd = &dlg;
  XWindow main = 0;
  bool aboutChecked = false;
  Run(dlg, {
               [&] {
                 main = x.Find("Varlo 3.8");
                 return main != 0;
               },
               [&] {
                 const wxPoint m = CentreOf(dlg.m_hWnd, varlo::ids::kMenuButton);
                 sim.MouseMove(m);
                 sim.MouseClick();
                 return true;
               },
               [&] {
                 // The menu is up (its modal loop runs this step): About by its key.
                 sim.Char('a');
                 return true;
               },
               [&] {
                 const XWindow about = x.Find("About");
                 if (!about) return false;
                 if (x.TransientFor(about) != main) return false;
                 if (x.WindowManagerRuns() && !x.IsAbove(about, main)) return false;
                 aboutChecked = true;
                 if (HWND h = ::FindWindow(nullptr, "About Varlo")) ::SendMessage(h, WM_COMMAND, IDOK, 0);
                 return true;
               },
               [&] { return !x.Find("About"); },
           });
  EXPECT_TRUE(aboutChecked);
  EXPECT_EQ(g_assertions, 0);
}

TEST_F(Desktop, RestoredWindowPaintsItsFaceNotItsIcon) {
  const CPoint at(400, 80);
  Profile(at);
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  XWindow main = 0;
  std::vector<CWaitScript::Step> steps = {
      [&] {
        main = x.Find("Varlo 3.8");
        return main != 0;
      },
      [&] {
        dlg.SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kMinimize, BN_CLICKED), 0);
        return true;
      },
  };
  if (x.WindowManagerRuns()) {
    // The window manager minimises it; a click on its task bar entry brings it back.
    steps.push_back([&] { return static_cast<wxTopLevelWindow*>(varlo::wx::FrameOf(dlg.m_hWnd))->IsIconized(); });
    steps.push_back([&] {
      x.Activate(main);
      return true;
    });
    steps.push_back([&] { return !static_cast<wxTopLevelWindow*>(varlo::wx::FrameOf(dlg.m_hWnd))->IsIconized(); });
    steps.push_back([&] {
      EXPECT_FALSE(dlg.IsIconic());
      return !dlg.IsIconic();
    });
  }
  Run(dlg, steps);
}

TEST_F(Desktop, HighlightedHistoryEntryIsPickedByAClick) {
  const CPoint at(400, 80);
  Profile(at, [](CUserProfile& p) {
    p.m_dialHistory.Add("5551234");
    p.m_dialHistory.Add("8613800138000");
  });
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  HWND box = nullptr;
  varlo::wx::SkinComboLook look;
  Run(dlg, {
               [&] {
                 box = ::GetDlgItem(dlg.m_hWnd, varlo::ids::kNumberBox);
                 return dlg.IsWindowVisible() != FALSE;
               },
               [&] {
                 dlg.m_numberBox.SetCurSel(0);  // the last number dialled, as the list shows it
                 CRect r;
                 ::GetWindowRect(box, &r);
                 sim.MouseMove(r.left + 124 - 6, r.top + 7);  // the drawn arrow
                 return true;
               },
               [&] {
                 sim.MouseClick();
                 return true;
               },
               [&] { return varlo::wx::ReadSkinComboLook(box, look) && look.listShown; },
               [&] {
                 sim.MouseMove(look.list.GetLeft() + 10, look.list.GetTop() + 6);  // the first row
                 return true;
               },
               [&] {
                 sim.MouseClick();
                 return true;
               },
               [&] { return varlo::wx::ReadSkinComboLook(box, look) && !look.listShown; },
               [&] {
                 CString text;
                 dlg.m_numberBox.GetWindowText(text);
                 EXPECT_EQ(text, "5551234");
                 EXPECT_FALSE(dlg.m_numberBox.GetDroppedState());
                 return true;
               },
           });
}

TEST_F(Desktop, PhoneLogOpensAtItsLastLine) {
  const CPoint at(400, 80);
  Profile(at);
  for (int i = 0; i < 200; ++i) AppendTalkLogLine(TalkLogPath(dir.Path().c_str()), CString(("Call: line " + std::to_string(i)).c_str()));
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  Run(dlg, {
               [&] { return dlg.IsWindowVisible() != FALSE; },
               [&] {
                 dlg.SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kTalkLog, BN_CLICKED), 0);
                 return true;
               },
               [&] {
                 const HWND logDlg = ::FindWindow(nullptr, "Phone Log");
                 if (!logDlg) return false;
                 auto* edit = dynamic_cast<wxTextCtrl*>(varlo::wx::NativeWidgetOf(::GetDlgItem(logDlg, CPhoneLogDlg::kLogEdit)));
                 if (!edit) return false;
                 // The line under the control's lower edge is one of the last.
                 long column = 0, row = 0;
                 const wxSize size = edit->GetClientSize();
                 if (edit->HitTest(wxPoint(4, size.y - 6), &column, &row) == wxTE_HT_UNKNOWN) return false;
                 if (row < 190) return false;
                 ::SendMessage(logDlg, WM_COMMAND, IDOK, 0);
                 return true;
               },
           });
}

TEST_F(Desktop, QuickClicksOnALevelButtonCountEveryPress) {
  const CPoint at(400, 80);
  Profile(at);
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  int start = 0;
  Run(dlg, {
               [&] { return dlg.IsWindowVisible() != FALSE; },
               [&] {
                 start = dlg.m_speakerLevel;
                 sim.MouseMove(CentreOf(dlg.m_hWnd, varlo::ids::kVolumeUp));
                 for (int i = 0; i < 10; ++i) sim.MouseClick();
                 return true;
               },
               [&] { return dlg.m_speakerLevel >= start + 10; },
           });
  EXPECT_EQ(dlg.m_speakerLevel, 10);
}

}  // namespace
