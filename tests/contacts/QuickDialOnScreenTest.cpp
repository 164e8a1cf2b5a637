// The quick-dial panel on an X server, as the user sees it: it slides out from behind the
// main window's right edge and docks there, follows the window when it moves, dials a
// filled slot through the main window, opens the entry dialog for an empty one, and slides
// back in behind the window.  Screenshots (quickdial_*.png) are left in the test's folder.
#include <gtest/gtest.h>

#include <wx/uiaction.h>
#include <wx/wx.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "contacts/CQuickDialDlg.h"
#include "contacts/QuickDialFile.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "platform/win/WinApp.h"
#include "platform/win/WindowState.h"
#include "platform/wx/WxBackend.h"
#include "tests/support/WaitingSteps.h"
#include "tests/support/WindowTestSupport.h"
#include "tests/ui/CVarloDlgTestFixture.h"
#include "ui/CVarloDlg.h"
#include "ui/VarloMessages.h"
#include "tests/support/WxTestToolkit.h"

extern "C" const char* __lsan_default_suppressions();

namespace {

using Clock = std::chrono::steady_clock;

bool StartToolkit() { return StartTestToolkit("quickdial_tests"); }

CRect RectOf(HWND hwnd) {
  CRect r;
  ::GetWindowRect(hwnd, &r);
  return r;
}

// Where two captures first differ in a part of them; (-1, -1) when they show the same.
wxPoint FirstDifference(const wxImage& a, const wxImage& b, const wxRect& part) {
  for (int y = part.GetTop(); y <= part.GetBottom(); ++y) {
    for (int x = part.GetLeft(); x <= part.GetRight(); ++x) {
      if (a.GetRed(x, y) != b.GetRed(x, y) || a.GetGreen(x, y) != b.GetGreen(x, y) || a.GetBlue(x, y) != b.GetBlue(x, y)) {
        return wxPoint(x, y);
      }
    }
  }
  return wxPoint(-1, -1);
}

bool SamePixels(const wxImage& a, const wxImage& b, const wxRect& part) {
  return FirstDifference(a, b, part) == wxPoint(-1, -1);
}

wxImage Capture(const CRect& area, const char* file = nullptr) {
  wxBitmap shot;
  EXPECT_TRUE(varlo::wx::CaptureScreen(area, shot));
  if (file) {
    EXPECT_TRUE(shot.SaveFile(file, wxBITMAP_TYPE_PNG)) << file;
  }
  return shot.ConvertToImage();
}

TEST(QuickDialOnScreen, SlidesOutFollowsDialsEditsAndSlidesBack) {
  if (!StartToolkit()) GTEST_SKIP() << "no X display";
  varlo::wx::InstallBackend();
  AfxSetResourceHandle(varlo::win::ExecutableModule());
  TempDir dir;
  const CPoint at(300, 120);
  {
    CUserProfile profile(dir.Path().c_str(), QuietServices());
    profile.m_callType = 0;
    profile.m_windowLeft = at.x;
    profile.m_windowTop = at.y;
  }
  const QuickDialSlots slots = {{{"Ann", "127.0.0.2"}, {"", ""}, {"Carl", "555 1234"}, {"", ""}, {"Eve", "42"}}};
  const std::string file = dir / "Quickdail.dat";
  ASSERT_TRUE(quickdial::Write(file.c_str(), slots));

  wxUIActionSimulator sim;
  CWinApp app;
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  app.m_pMainWnd = &dlg;
  auto panel = [&] { return dlg.m_quickDialDlg; };
  auto LogText = [&] {
    const Bytes b = ReadBytes(dir / "Log.log");
    return std::string(b.begin(), b.end());
  };
  auto clickAt = [&](HWND hwnd) {
    const CRect r = RectOf(hwnd);
    sim.MouseMove((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    sim.MouseClick();
  };
  // Main window and panel side by side.
  auto both = [&] {
    const CRect m = RectOf(dlg.m_hWnd);
    return CRect(m.left, m.top, m.right + 150, m.bottom);
  };
  // Small captures (the screen is read pixel by pixel): the keypad, which lies over the
  // panel's way, and a part of the screen beside the window where the docked panel stands.
  auto keypad = [&] {
    const CRect m = RectOf(dlg.m_hWnd);
    return Capture(CRect(m.left + 300, m.top + 60, m.left + 440, m.top + 180));
  };
  auto beside = [&] {
    const CRect m = RectOf(dlg.m_hWnd);
    return Capture(CRect(m.right + 20, m.top + 55, m.right + 120, m.top + 235));
  };
  const wxRect whole(0, 0, 140, 120);
  wxImage before;
  wxImage besideBefore;
  bool entryOpened = false;
  CPoint movedTo;
  wxImage panelShot;
  // Ready once the screen has shown the same picture of the keypad for several looks in a
  // row; that picture is kept in `before`.  (A new image is black.)
  int sameLooks = 0;
  auto settled = [&] {
    const wxImage now = keypad();
    const wxImage plain(now.GetWidth(), now.GetHeight());
    const bool drawn = !SamePixels(plain, now, whole);  // not the bare screen
    sameLooks = drawn && before.IsOk() && SamePixels(before, now, whole) ? sameLooks + 1 : 0;
    before = now;
    if (sameLooks < 5) return false;
    sameLooks = 0;
    return true;
  };

  CWaitingSteps steps(
      {
          {"main window shown", [&] { return dlg.IsWindowVisible() != 0; }, [] {}},
          {"main window painted", settled, [&] { besideBefore = beside(); }},
          {"side button", Always, [&] { clickAt(::GetDlgItem(dlg.m_hWnd, varlo::ids::kSideButton)); }},
          {"panel half out", [&] { return panel() && panel()->m_slideStep >= 9 && panel()->m_slideStep <= 13; },
           [&] {
             const CRect m = RectOf(dlg.m_hWnd);
             const CRect p = RectOf(panel()->m_hWnd);
             EXPECT_GT(p.left, m.right - 141);
             EXPECT_LT(p.left, m.right - 1);
             EXPECT_FALSE(panel()->State()->Topmost());
             // The panel comes from behind the main window: the keypad is not covered.
             const wxPoint at = FirstDifference(before, keypad(), whole);
             EXPECT_EQ(at, wxPoint(-1, -1)) << at.x << "," << at.y;
             Capture(both(), "quickdial_sliding_out.png");
           }},
          {"panel docked", [&] { return panel() && panel()->m_slideStep == 0 && panel()->State()->Topmost(); },
           [&] {
             const CRect m = RectOf(dlg.m_hWnd);
             EXPECT_EQ(RectOf(panel()->m_hWnd), CRect(CPoint(m.right - 1, m.top + 35), CSize(143, 228)));
             EXPECT_FALSE(dlg.m_sideButton.IsWindowEnabled());
           }},
          {"panel drawn", Always,
           [&] {
             Capture(both(), "quickdial_docked.png");
             EXPECT_TRUE(SamePixels(before, keypad(), whole));
             // The panel's own picture stands beside the window where the screen was empty.
             EXPECT_FALSE(SamePixels(besideBefore, beside(), wxRect(0, 0, 100, 180)));
             panelShot = Capture(RectOf(panel()->m_hWnd));
             sim.MouseMove(5, 1000);  // off the panel's new place, so that no slot lights up
             movedTo = CPoint(at.x - 120, at.y + 90);
             dlg.MoveWindow(movedTo.x, movedTo.y, CVarloDlg::kWindowWidth, CVarloDlg::kWindowHeight);
           }},
          {"panel followed on the screen",
           [&] {
             const CRect p = RectOf(panel()->m_hWnd);
             return p.TopLeft() == CPoint(movedTo.x + 471 - 1, movedTo.y + 35) &&
                    SamePixels(panelShot, Capture(p), wxRect(0, 0, 143, 228));  // the panel, not the dock's spare column
           },
           [&] {
             EXPECT_EQ(RectOf(panel()->m_hWnd), QuickDialDockRect(RectOf(dlg.m_hWnd)));
             Capture(both(), "quickdial_moved.png");
             clickAt(panel()->m_numberLabels[0].m_hWnd);
           }},
          // The talk log keeps the call's start; the unanswered call may be over already.
          {"call started", [&] { return LogText().find("Call: 127.0.0.2\r\r\n") != std::string::npos; },
           [&] {
             EXPECT_EQ(dlg.m_numberText, "127.0.0.2");
             dlg.SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kHang, BN_CLICKED), 0);
           }},
          {"call over", [&] { return dlg.m_endpoint.IsIdle() != 0 && dlg.m_callButton.IsWindowEnabled(); },
           [&] { clickAt(panel()->m_nameLabels[1].m_hWnd); }},  // an empty slot: runs the entry dialog
          {"entry dialog", [&] { return ::FindWindow(nullptr, "Phone Entry") != nullptr; },
           [&] {
             entryOpened = true;
             HWND entry = ::FindWindow(nullptr, "Phone Entry");
             EXPECT_TRUE(::IsWindowVisible(entry));
             EXPECT_FALSE(::IsWindowEnabled(panel()->m_hWnd));
             Capture(RectOf(entry), "quickdial_entry.png");
             ::SendMessage(entry, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
           }},
          {"entry dialog gone", [&] { return ::FindWindow(nullptr, "Phone Entry") == nullptr; },
           [&] { EXPECT_TRUE(::IsWindowEnabled(panel()->m_hWnd)); }},
          {"repainted", settled, [&] { clickAt(panel()->m_closeButton.m_hWnd); }},
          {"panel half in", [&] { return panel() && panel()->m_slideStep >= 9 && panel()->m_slideStep <= 13; },
           [&] {
             EXPECT_FALSE(panel()->State()->Topmost());
             EXPECT_TRUE(SamePixels(before, keypad(), whole));
             Capture(both(), "quickdial_sliding_in.png");
           }},
          {"panel closed", [&] { return dlg.m_quickDialOpen == 0; },
           [&] {
             EXPECT_EQ(panel(), nullptr);
             EXPECT_TRUE(dlg.m_sideButton.IsWindowEnabled());
             dlg.SendMessage(WM_COMMAND, MAKEWPARAM(varlo::ids::kExit, BN_CLICKED), 0);
           }},
      },
      [&] {
        Capture(both(), "quickdial_failed.png");
        if (HWND entry = ::FindWindow(nullptr, "Phone Entry")) ::SendMessage(entry, WM_COMMAND, IDCANCEL, 0);
        dlg.EndDialog(IDCANCEL);
      });
  dlg.DoModal();
  EXPECT_TRUE(entryOpened);
  EXPECT_EQ(quickdial::Read(file.c_str()), slots);
  app.m_pMainWnd = nullptr;
  varlo::win::MessageSystem::Instance().Reset(nullptr, nullptr, nullptr);
}

}  // namespace

extern "C" const char* __lsan_default_suppressions() { return ToolkitLeakSuppressions(); }
