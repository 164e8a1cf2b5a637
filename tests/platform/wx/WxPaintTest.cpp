// Windows the layer draws, repainted on an X server: a window invalidated alone (whole or
// in part, or through its parent's rectangle over it) is painted again alone, the windows
// beside it keep their faces without being painted again, and the screen shows the new face.
#include <gtest/gtest.h>

#include <wx/wx.h>

#include <chrono>
#include <functional>

#include "platform/win/DC.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"
#include "platform/win/Wnd.h"
#include "platform/wx/WxBackend.h"
#include "tests/support/WxTestToolkit.h"

namespace {

constexpr COLORREF kNone = 0xFFFFFFFF;  // nothing read
constexpr COLORREF kRed = RGB(200, 0, 0), kBlue = RGB(0, 0, 200), kGreen = RGB(0, 180, 0);

// A patch of one colour that counts its paints.
class CPatch : public CWnd {
 public:
  COLORREF m_colour = kRed;
  int m_paints = 0;

 protected:
  void OnPaint() {
    CPaintDC dc(this);
    CRect area;
    GetClientRect(&area);
    dc.FillSolidRect(&area, m_colour);
    ++m_paints;
  }
  DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPatch, CWnd)
  ON_WM_PAINT()
END_MESSAGE_MAP()

class WxPaintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!StartTestToolkit("platform_wx_tests")) GTEST_SKIP() << "no X display";
    varlo::wx::InstallBackend();
    AfxSetResourceHandle(varlo::win::ExecutableModule());
  }
  void TearDown() override {
    if (varlo::wx::BackendInstalled()) varlo::win::MessageSystem::Instance().Reset(nullptr, nullptr, nullptr);
  }
  // Lets the toolkit run until `ready` holds (false when it never did).
  static bool RunUntil(const std::function<bool()>& ready) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!ready()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      wxTheApp->Yield(true);
      varlo::win::MessageSystem::Instance().Pump();
    }
    return true;
  }
  // The colour the screen shows in the middle of a child of `top`.
  static COLORREF Shown(CWnd& top, CWnd& child) {
    wxBitmap shot;
    if (!varlo::wx::CaptureWindow(top.m_hWnd, shot)) return kNone;
    CRect r;
    child.GetWindowRect(&r);
    top.ScreenToClient(&r);
    const wxImage image = shot.ConvertToImage();
    const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
    if (x < 0 || y < 0 || x >= image.GetWidth() || y >= image.GetHeight()) return kNone;
    return RGB(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
  }
};

}  // namespace

TEST_F(WxPaintTest, AnInvalidatedWindowIsRepaintedAloneAndShowsItsNewFace) {
  CWnd top;
  CPatch left, right;
  ASSERT_TRUE(top.CreateEx(0, "", "paint", WS_POPUP | WS_VISIBLE, CRect(100, 100, 300, 200), nullptr, 0));
  ASSERT_TRUE(left.CreateEx(0, "STATIC", "", WS_CHILD | WS_VISIBLE, CRect(10, 10, 60, 60), &top, 1));
  ASSERT_TRUE(right.CreateEx(0, "STATIC", "", WS_CHILD | WS_VISIBLE, CRect(120, 10, 170, 60), &top, 2));
  right.m_colour = kBlue;
  top.ShowWindow(SW_SHOW);
  ASSERT_TRUE(RunUntil([&] { return Shown(top, left) == kRed && Shown(top, right) == kBlue; }))
      << std::hex << Shown(top, left) << " " << Shown(top, right) << std::dec << " " << left.m_paints << " " << right.m_paints;

  const struct {
    const char* what;
    std::function<void()> invalidate;
    CPatch& changed;
    CPatch& other;
  } cases[] = {
      {"the window whole", [&] { left.Invalidate(); }, left, right},
      {"a part of the window", [&] { ::InvalidateRect(right.m_hWnd, CRect(20, 20, 30, 30), TRUE); }, right, left},
      {"the parent's rectangle over it", [&] { ::InvalidateRect(top.m_hWnd, CRect(5, 5, 70, 70), TRUE); }, left, right},
  };
  for (const auto& c : cases) {
    c.changed.m_colour = c.changed.m_colour == kGreen ? kRed : kGreen;
    c.changed.m_paints = c.other.m_paints = 0;
    c.invalidate();
    EXPECT_TRUE(RunUntil([&] { return c.changed.m_paints > 0 && Shown(top, c.changed) == c.changed.m_colour; })) << c.what;
    EXPECT_EQ(c.other.m_paints, 0) << c.what;
    EXPECT_EQ(Shown(top, c.other), c.other.m_colour) << c.what;
  }
  top.DestroyWindow();
}
