// The skin button driven through the window layer's display-free input: its place, its
// faces, its cursor, its tooltip and double clicks.
#include "ui/CSkinButton.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/win/ControlClasses.h"
#include "platform/win/DrawOp.h"
#include "platform/win/GdiData.h"
#include "platform/win/Input.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"

using namespace varlo::win;

namespace {

constexpr UINT kButtonId = 1001;
constexpr UINT kCallNormal = 163;   // the Call button's faces
constexpr UINT kCallPressed = 145;

class CClickCounter : public CWnd {
 public:
  int clicks = 0;
  int doubleClicks = 0;

 protected:
  void OnClicked() { ++clicks; }
  void OnDoubleClicked() { ++doubleClicks; }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CClickCounter, CWnd)
  ON_BN_CLICKED(kButtonId, &CClickCounter::OnClicked)
  ON_BN_DOUBLECLICKED(kButtonId, &CClickCounter::OnDoubleClicked)
END_MESSAGE_MAP()

class SkinButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageSystem::Instance().Reset(clock);
    AfxSetResourceHandle(ExecutableModule());
    ASSERT_TRUE(parent.CreateEx(0, "", "main", WS_POPUP | WS_VISIBLE, CRect(100, 100, 500, 400), nullptr, 0));
  }
  void TearDown() override { MessageSystem::Instance().Reset(); }

  void MakeButton(DWORD type) {
    ASSERT_TRUE(button.Create("Call", WS_CHILD | WS_VISIBLE | type, CRect(10, 10, 40, 30), &parent, kButtonId));
  }
  POINT CentreOnScreen() {
    CRect r;
    button.GetWindowRect(&r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  // The resource id of the face the button shows now.
  int FaceShown() {
    ::InvalidateRect(button.m_hWnd, nullptr, TRUE);
    ::UpdateWindow(button.m_hWnd);
    for (const DrawOp& op : button.State()->lastPaint) {
      if (op.kind == DrawOp::Kind::kBitmap && op.bitmap) return op.bitmap->resourceId;
    }
    return 0;
  }

  // Moves time on and runs what came due.
  void Wait(int ms) {
    clock->Advance(ms);
    MessageSystem::Instance().Pump();
  }
  const WindowState* Tip() { return button.GetTooltip() ? button.GetTooltip()->State() : nullptr; }
  bool TipShown() { return Tip() && Tip()->Visible(); }

  std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(1000);
  CClickCounter parent;
  CSkinButton button;
};

TEST_F(SkinButtonTest, IsPlacedByItsTopLeftCornerWithItsBitmapsSize) {
  MakeButton(BS_OWNERDRAW);
  ASSERT_TRUE(button.LoadBitmaps(kCallNormal, kCallPressed));
  button.SizeToContent();
  const CSize face = button.m_bitmap.GetBitmapDimension();
  ASSERT_GT(face.cx, 0);
  button.SetPosition(38, 120);
  EXPECT_EQ(button.State()->rect, CRect(CPoint(38, 120), face));
  button.SetPosition(0, 5);  // moving again keeps the size
  EXPECT_EQ(button.State()->rect, CRect(CPoint(0, 5), face));
}

TEST_F(SkinButtonTest, ShowsThePressedFaceOnlyWhileHeldDown) {
  MakeButton(BS_OWNERDRAW);
  ASSERT_TRUE(button.LoadBitmaps(kCallNormal, kCallPressed));
  button.SizeToContent();
  const POINT centre = CentreOnScreen();
  EXPECT_EQ(FaceShown(), static_cast<int>(kCallNormal));
  RouteMouse(WM_LBUTTONDOWN, centre, MK_LBUTTON);
  EXPECT_EQ(FaceShown(), static_cast<int>(kCallPressed));
  RouteMouse(WM_LBUTTONUP, centre, 0);
  EXPECT_EQ(FaceShown(), static_cast<int>(kCallNormal));
  EXPECT_EQ(parent.clicks, 1);
}

// Owner-drawn skin buttons and the contact book's plain ones alike.
TEST_F(SkinButtonTest, DoubleClickCountsAsTwoClicksAndLeavesTheButtonUp) {
  for (DWORD type : {BS_OWNERDRAW, BS_PUSHBUTTON}) {
    SCOPED_TRACE(type);
    MakeButton(type);
    parent.clicks = 0;
    SimulateDoubleClick(button.m_hWnd);
    MessageSystem::Instance().Pump();
    EXPECT_EQ(parent.clicks, 2);
    EXPECT_EQ(::GetCapture(), nullptr);
    EXPECT_FALSE(button.GetState() & BST_PUSHED);
    // A single click afterwards is one click.
    SimulateClick(button.m_hWnd);
    EXPECT_EQ(parent.clicks, 3);
    button.DestroyWindow();
  }
}

TEST_F(SkinButtonTest, ShowsTheHandCursorOverTheButton) {
  MakeButton(BS_OWNERDRAW);
  ::SetCursor(nullptr);
  RouteMouse(WM_MOUSEMOVE, CentreOnScreen(), 0);
  const HCURSOR shown = ::SetCursor(nullptr);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown, button.GetHandCursor());
  const auto cursor = GdiGetAs<IconData>(shown);
  ASSERT_TRUE(cursor);
  EXPECT_TRUE(cursor->isCursor);
  EXPECT_EQ(cursor->resourceId, 180);
  EXPECT_EQ(cursor->hotSpot.x, 5);
  EXPECT_EQ(cursor->hotSpot.y, 0);
}

TEST_F(SkinButtonTest, TooltipIsMadeOnFirstTextAndKeepsOneTool) {
  MakeButton(BS_OWNERDRAW);
  button.SetTooltipText("", TRUE);
  EXPECT_EQ(button.GetTooltip(), nullptr);

  struct Step {
    const char* text;
    BOOL activate;
    const char* shown;  // what hovering the button shows
  };
  const Step steps[] = {
      {"Call", TRUE, "Call"},
      {"Hold", TRUE, "Hold"},   // the same tool gets the new text
      {"", FALSE, "Hold"},      // an empty text changes nothing
      {"UnHold", FALSE, ""},    // deactivated: nothing shows
      {"Call", TRUE, "Call"},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.text);
    button.SetTooltipText(s.text, s.activate);
    ASSERT_NE(button.GetTooltip(), nullptr);
    EXPECT_EQ(button.GetTooltip()->GetToolCount(), 1);
    EXPECT_EQ(TooltipTextFor(button.m_hWnd), s.shown);
  }
  const HWND tip = button.GetTooltip()->m_hWnd;
  button.DeleteTooltip();
  EXPECT_EQ(button.GetTooltip(), nullptr);
  EXPECT_FALSE(::IsWindow(tip));
  EXPECT_EQ(TooltipTextFor(button.m_hWnd), "");
}

// Hovering shows the tip after the delay just below the pointer, with the button's
// current text; a press or leaving the button takes it away.
TEST_F(SkinButtonTest, TooltipShowsWhileThePointerRestsOnTheButton) {
  MakeButton(BS_OWNERDRAW);
  button.SetTooltipText("Call", TRUE);
  const POINT centre = CentreOnScreen();
  const POINT outside{centre.x + 100, centre.y + 100};  // on the parent
  RouteMouse(WM_MOUSEMOVE, centre, 0);
  Wait(TooltipClass::kInitialDelayMs - 1);
  EXPECT_FALSE(TipShown());
  RouteMouse(WM_MOUSEMOVE, POINT{centre.x + 1, centre.y}, 0);  // moving on the button keeps the count
  Wait(1);
  ASSERT_TRUE(TipShown());
  EXPECT_EQ(Tip()->text, "Call");
  EXPECT_EQ(Tip()->rect.TopLeft(), CPoint(centre.x + 1, centre.y + TooltipClass::kBelowPointer));
  EXPECT_GT(Tip()->rect.Width(), 0);
  EXPECT_GT(Tip()->rect.Height(), 0);
  EXPECT_EQ(::WindowFromPoint(Tip()->rect.TopLeft()), parent.m_hWnd);  // the tip takes no mouse

  // The text follows the button's state where the tip stands.
  const CPoint place = Tip()->rect.TopLeft();
  button.SetTooltipText("UnHold", TRUE);
  EXPECT_TRUE(TipShown());
  EXPECT_EQ(Tip()->text, "UnHold");
  EXPECT_EQ(Tip()->rect.TopLeft(), place);

  // A press hides it, and it stays away while the pointer stays on the button.
  RouteMouse(WM_LBUTTONDOWN, centre, MK_LBUTTON);
  EXPECT_FALSE(TipShown());
  RouteMouse(WM_LBUTTONUP, centre, 0);
  RouteMouse(WM_MOUSEMOVE, centre, 0);
  Wait(2000);
  EXPECT_FALSE(TipShown());
  EXPECT_EQ(parent.clicks, 1);

  // Once the pointer has left, coming back shows it again; leaving hides it.
  RouteMouse(WM_MOUSEMOVE, outside, 0);  // the button gets no message: the tip looks itself
  Wait(TooltipClass::kLeaveCheckMs);
  RouteMouse(WM_MOUSEMOVE, centre, 0);
  Wait(TooltipClass::kInitialDelayMs);
  ASSERT_TRUE(TipShown());
  EXPECT_EQ(Tip()->text, "UnHold");
  RouteMouse(WM_MOUSEMOVE, outside, 0);
  Wait(TooltipClass::kLeaveCheckMs);
  EXPECT_FALSE(TipShown());
  Wait(2000);
  EXPECT_FALSE(TipShown());

  // Passing over the button quicker than the delay shows nothing; a deactivated tip neither.
  RouteMouse(WM_MOUSEMOVE, centre, 0);
  Wait(TooltipClass::kInitialDelayMs / 2);
  RouteMouse(WM_MOUSEMOVE, outside, 0);
  Wait(TooltipClass::kInitialDelayMs);
  EXPECT_FALSE(TipShown());
  button.SetTooltipText("Hang", FALSE);
  RouteMouse(WM_MOUSEMOVE, centre, 0);
  Wait(2000);
  EXPECT_FALSE(TipShown());
}

}  // namespace
