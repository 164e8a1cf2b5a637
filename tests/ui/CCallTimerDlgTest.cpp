// The call-duration display: its text for durations of every size, and the window
// driven by the layer's timer on a calendar clock of the test's own.
#include "ui/CCallTimerDlg.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/win/DrawOp.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Resources.h"

using namespace varlo::win;

namespace {

TEST(FormatCallDuration, TwoDigitsEachWithTheHoursOfTheDay) {
  const struct {
    LONGLONG seconds;
    const char* text;
  } cases[] = {
      {0, "00:00:00"},        {9, "00:00:09"},        {59, "00:00:59"},       {60, "00:01:00"},
      {3599, "00:59:59"},     {3600, "01:00:00"},     {36000, "10:00:00"},    {86399, "23:59:59"},
      {86400 + 5, "00:00:05"}, {3 * 86400 + 3661, "01:01:01"}, {-5, "00:00:00"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatCallDuration(c.seconds), c.text) << c.seconds;
}

class CallTimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock = std::make_shared<ManualClock>(1000);
    MessageSystem::Instance().Reset(clock);
    AfxSetResourceHandle(ExecutableModule());
    ASSERT_TRUE(main.CreateEx(0, "", "main", WS_POPUP | WS_VISIBLE, CRect(0, 0, 471, 291), nullptr, 0));
    timer.SetClock([this] { return now; });
    ASSERT_TRUE(timer.Create(CCallTimerDlg::IDD, &main));
    timer.ShowWindow(SW_SHOW);
  }
  void TearDown() override {
    timer.DestroyWindow();
    MessageSystem::Instance().Reset();
  }
  // Calendar time and the layer's clock move on together.
  void Wait(int seconds) {
    now += CTimeSpan(seconds);
    clock->Advance(CCallTimerDlg::kTickMs);
    MessageSystem::Instance().Pump();
  }

  std::shared_ptr<ManualClock> clock;
  CTime now{1700000000};
  CWnd main;
  CCallTimerDlg timer;
};

TEST_F(CallTimerTest, SitsOverTheSkinAndPaintsItsTextOnTheDarkBackground) {
  EXPECT_EQ(timer.State()->rect, CRect(170, 61, 222, 74));
  EXPECT_TRUE(timer.State()->IsChild());
  EXPECT_EQ(timer.m_timeText, "00:00:00");
  ::UpdateWindow(timer.m_hWnd);
  bool erased = false, text = false;
  for (const DrawOp& op : timer.State()->lastPaint) {
    if (op.kind == DrawOp::Kind::kFill) erased = erased || op.color == CCallTimerDlg::kBackColour;
    if (op.kind == DrawOp::Kind::kText) {
      text = true;
      EXPECT_EQ(op.text, "00:00:00");
      EXPECT_EQ(op.rect.TopLeft(), CPoint(3, 1));
      EXPECT_EQ(op.color, CCallTimerDlg::kDimColour);
      EXPECT_EQ(op.bkColor, CCallTimerDlg::kBackColour);
      ASSERT_TRUE(op.font);
      EXPECT_EQ(op.font->height, 14);
    }
  }
  EXPECT_TRUE(erased);
  EXPECT_TRUE(text);
}

TEST_F(CallTimerTest, CountsTheCallFromItsStartUntilStopped) {
  timer.SetTextColour(CCallTimerDlg::kBrightColour);
  timer.StartTimer();
  Wait(59);
  EXPECT_EQ(timer.m_timeText, "00:00:59");
  Wait(1);
  EXPECT_EQ(timer.m_timeText, "00:01:00");

  timer.ResetDisplay();  // a reset while running lasts until the next tick
  EXPECT_EQ(timer.m_timeText, "00:00:00");
  Wait(0);
  EXPECT_EQ(timer.m_timeText, "00:01:00");

  Wait(3600);  // the calendar clock jumps: so does the duration
  EXPECT_EQ(timer.m_timeText, "01:01:00");

  timer.StopTimer();
  timer.SetTextColour(CCallTimerDlg::kDimColour);
  Wait(30);
  EXPECT_EQ(timer.m_timeText, "01:01:00");
  ::InvalidateRect(timer.m_hWnd, nullptr, TRUE);
  ::UpdateWindow(timer.m_hWnd);
  for (const DrawOp& op : timer.State()->lastPaint) {
    if (op.kind == DrawOp::Kind::kText) {
      EXPECT_EQ(op.color, CCallTimerDlg::kDimColour);
    }
  }
}

// The timer ticks more often than the text changes: a tick that would show the same
// text in the same colour repaints nothing, one that shows a new second or the colour set
// since the last paint repaints.
TEST_F(CallTimerTest, RepaintsOnlyWhenTheTextOrItsColourChanges) {
  ::UpdateWindow(timer.m_hWnd);
  auto painted = [this]() -> const DrawOp* {
    for (const DrawOp& op : timer.State()->lastPaint) {
      if (op.kind == DrawOp::Kind::kText) return &op;
    }
    return nullptr;
  };
  ASSERT_TRUE(painted());
  timer.SetTextColour(CCallTimerDlg::kBrightColour);
  timer.StartTimer();
  const struct {
    int seconds;
    bool repaints;
    const char* text;
  } ticks[] = {{0, true, "00:00:00"}, {0, false, nullptr}, {1, true, "00:00:01"}, {0, false, nullptr}, {2, true, "00:00:03"}};
  for (const auto& tick : ticks) {
    timer.State()->lastPaint.clear();
    Wait(tick.seconds);
    EXPECT_FALSE(timer.State()->needsPaint);
    const DrawOp* text = painted();
    ASSERT_EQ(text != nullptr, tick.repaints) << tick.seconds << " " << timer.m_timeText.GetString();
    if (!text) continue;
    EXPECT_EQ(text->text, tick.text);
    EXPECT_EQ(text->color, CCallTimerDlg::kBrightColour);
  }
}

}  // namespace
