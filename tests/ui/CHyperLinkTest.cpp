// The link label: bound to a template static, it reports clicks, shows the hand cursor
// and keeps the hover colour once the mouse has crossed it.
#include "ui/CHyperLink.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/win/DrawOp.h"
#include "platform/win/GdiData.h"
#include "platform/win/Input.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"

using namespace varlo::win;

namespace {

constexpr int kLabelId = 1100;

class CPanel : public CWnd {
 public:
  int clicks = 0;

 protected:
  void OnLabelClicked() { ++clicks; }
  DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(CPanel, CWnd)
  ON_STN_CLICKED(kLabelId, &CPanel::OnLabelClicked)
END_MESSAGE_MAP()

class HyperLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MessageSystem::Instance().Reset(std::make_shared<ManualClock>(1000));
    AfxSetResourceHandle(ExecutableModule());
    ASSERT_TRUE(panel.CreateEx(0, "", "panel", WS_POPUP | WS_VISIBLE, CRect(200, 100, 345, 328), nullptr, 0));
    ASSERT_TRUE(CreateWindowEx(0, "STATIC", "Alice", WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 20, 80, 12, panel.m_hWnd,
                               reinterpret_cast<HMENU>(kLabelId), nullptr, nullptr));
  }
  void TearDown() override { MessageSystem::Instance().Reset(); }

  POINT LabelCentre() {
    CRect r;
    ::GetWindowRect(::GetDlgItem(panel.m_hWnd, kLabelId), &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  // The colour the label's text is drawn in, and whether anything filled its background.
  COLORREF PaintedColour(bool* filled) {
    ::InvalidateRect(link.m_hWnd, nullptr, TRUE);
    ::UpdateWindow(link.m_hWnd);
    COLORREF colour = 0xFFFFFFFF;
    *filled = false;
    for (const DrawOp& op : link.State()->lastPaint) {
      if (op.kind == DrawOp::Kind::kText && op.text == "Alice") colour = op.color;
      if (op.kind == DrawOp::Kind::kFill) *filled = true;
    }
    return colour;
  }

  CPanel panel;
  CHyperLink link;
};

TEST_F(HyperLinkTest, BoundLabelReportsClicksToItsParent) {
  SimulateClick(::GetDlgItem(panel.m_hWnd, kLabelId));
  EXPECT_EQ(panel.clicks, 0);  // a plain label lets the click through
  ASSERT_TRUE(link.SubclassDlgItem(kLabelId, &panel));
  EXPECT_TRUE(link.GetStyle() & SS_NOTIFY);
  SimulateClick(link.m_hWnd);
  EXPECT_EQ(panel.clicks, 1);
}

TEST_F(HyperLinkTest, KeepsTheHoverColourAfterTheMouseHasCrossedIt) {
  ASSERT_TRUE(link.SubclassDlgItem(kLabelId, &panel));
  bool filled = true;
  EXPECT_EQ(PaintedColour(&filled), CHyperLink::kLinkColour);
  EXPECT_FALSE(filled);  // transparent: the panel's background shows

  RouteMouse(WM_MOUSEMOVE, LabelCentre(), 0);
  RouteMouse(WM_MOUSEMOVE, POINT{205, 300}, 0);  // and off it again, over the panel
  EXPECT_EQ(PaintedColour(&filled), CHyperLink::kHoverColour);

  link.m_textColour = CHyperLink::kLinkColour;  // only the owner sets it back
  EXPECT_EQ(PaintedColour(&filled), CHyperLink::kLinkColour);
}

TEST_F(HyperLinkTest, ShowsTheHandCursor) {
  ASSERT_TRUE(link.SubclassDlgItem(kLabelId, &panel));
  ::SetCursor(nullptr);
  RouteMouse(WM_MOUSEMOVE, LabelCentre(), 0);
  const auto cursor = GdiGetAs<IconData>(::SetCursor(nullptr));
  ASSERT_TRUE(cursor);
  EXPECT_EQ(cursor->resourceId, 180);
}

}  // namespace
