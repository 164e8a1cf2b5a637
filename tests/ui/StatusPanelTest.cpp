// The status panel: the computed texts, and what a paint of the panel draws.
#include <algorithm>
#include <string>
#include <vector>

#include "CVarloDlgTestFixture.h"
#include "platform/win/DC.h"
#include "platform/win/DrawOp.h"
#include "platform/win/WindowState.h"
#include "ui/CVarloDlg.h"
#include "ui/StatusTexts.h"

namespace {

using varlo::win::DrawOp;

TEST(StatusTexts, AvailableTime) {
  struct Case {
    DWORD seconds;
    const char* text;
  };
  const Case cases[] = {{0, ""},           {1, "00:00:01"},     {59, "00:00:59"},      {3600, "01:00:00"},
                        {3725, "01:02:05"}, {86399, "23:59:59"}, {86400, "over 24H"}, {4000000000u, "over 24H"}};
  for (const Case& c : cases) EXPECT_EQ(AvailableTimeText(c.seconds), c.text) << c.seconds;
}

TEST(StatusTexts, BalanceComparesAsTextAndKeepsThePreviousForBlanks) {
  struct Case {
    const char* text;
    const char* previous;
    const char* shown;
  };
  const Case cases[] = {
      {"  12.50", "", "12.50"},     {"1000", "", "1000"},          {"1500.00", "", "1500.00"},
      {"999", "", "999"},           {"99.50", "", "99.50"},        {"999.5", "", "over 1000"},
      {"9999", "", "over 1000"},    {"A", "", "over 1000"},        {"      ", "", ""},
      {"      ", "12.50", "12.50"}, {"12.50  ", "", "12.50  "},    {"", "7", "7"},
  };
  for (const Case& c : cases) EXPECT_EQ(BalanceText(c.text, c.previous), c.shown) << '"' << c.text << '"';
}

class StatusPanelTest : public UiTest {
 protected:
  // The texts the last paint drew, by their top edge.
  std::vector<std::string> TextsAt(const CVarloDlg&, int y) const {
    std::vector<std::string> texts;
    for (const DrawOp& op : painted.ops) {
      if (op.kind == DrawOp::Kind::kText && op.rect.top == y) texts.push_back(op.text);
    }
    return texts;
  }
  // A whole paint of the window, everything its paint contexts draw kept in `painted`.
  void Repaint(CVarloDlg& dlg) {
    painted.ops.clear();
    dlg.Invalidate();
    varlo::win::SetPaintTarget(dlg.m_hWnd, varlo::win::PaintTarget{&painted, CPoint(0, 0)});
    dlg.SendMessage(WM_PAINT);
    varlo::win::ClearPaintTarget(dlg.m_hWnd);
  }
  varlo::win::RecordingSurface painted;
};

TEST_F(StatusPanelTest, LongNumberIsShownAndKeptAsItsFirst25Characters) {
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
  dlg.SetNumberText("123456789012345678901234567890");
  Repaint(dlg);
  EXPECT_EQ(dlg.m_numberText, "1234567890123456789012345");
  EXPECT_EQ(TextsAt(dlg, 90), std::vector<std::string>{"1234567890123456789012345"});
}

TEST_F(StatusPanelTest, BalanceLineOnlyForCallingCardsAndTimeReplacesMode) {
  struct Case {
    int callType, loginMode;
    bool balanceShown;
  };
  for (const Case& c : {Case{1, 2, true}, Case{1, 1, false}, Case{0, 2, false}}) {
    SCOPED_TRACE(testing::Message() << c.callType << "/" << c.loginMode);
    SaveProfile([&](CUserProfile& p) {
      p.m_callType = c.callType;
      p.m_loginMode = c.loginMode;
    });
    CVarloDlg dlg(dir.Path().c_str(), QuietServices());
    ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
    dlg.SetBalanceText("12.50");
    dlg.ShowAvailableTime(3725);
    Repaint(dlg);
    EXPECT_EQ(TextsAt(dlg, 108).size(), c.balanceShown ? 1u : 0u);
    if (c.balanceShown) {
      EXPECT_EQ(TextsAt(dlg, 108)[0], "Balance: 12.50");
    }
    EXPECT_EQ(TextsAt(dlg, 127), std::vector<std::string>{"Available Time: 01:02:05"});
    dlg.ShowAvailableTime(0);
    Repaint(dlg);
    EXPECT_EQ(TextsAt(dlg, 127), std::vector<std::string>{dlg.m_modeText.Str()});
    dlg.DestroyWindow();
  }
}

TEST_F(StatusPanelTest, LevelBarsLightOneStepPerLevel) {
  CVarloDlg dlg(dir.Path().c_str(), QuietServices());
  ASSERT_TRUE(dlg.Create(CVarloDlg::IDD));
  for (int level : {0, 5, 16}) {
    dlg.m_speakerLevel = level;
    dlg.m_micLevel = 16 - level;
    Repaint(dlg);
    int speakerLit = 0, micLit = 0, bars = 0;
    for (const DrawOp& op : painted.ops) {
      if (op.kind != DrawOp::Kind::kFill || op.rect.top != 168 || op.rect.Width() != 1) continue;
      EXPECT_EQ(op.rect.Height(), 8);
      ++bars;
      const bool lit = op.color == 0x00FFAE63u;
      EXPECT_TRUE(lit || op.color == 0x00614326u);
      if (lit && op.rect.left < 152) ++speakerLit;
      if (lit && op.rect.left >= 152) ++micLit;
    }
    EXPECT_EQ(bars, 32);
    EXPECT_EQ(speakerLit, level);
    EXPECT_EQ(micLit, 16 - level);
  }
}

}  // namespace
