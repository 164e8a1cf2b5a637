#include "platform/core/CTime.h"

#include <gtest/gtest.h>

namespace {

TEST(CTimeTest, CalendarFieldsAndFormatUseLocalTime) {
  const CTime t(2024, 2, 29, 13, 5, 9);
  EXPECT_EQ(t.GetYear(), 2024);
  EXPECT_EQ(t.GetMonth(), 2);
  EXPECT_EQ(t.GetDay(), 29);
  EXPECT_EQ(t.GetHour(), 13);
  EXPECT_EQ(t.GetMinute(), 5);
  EXPECT_EQ(t.GetSecond(), 9);
  EXPECT_EQ(t.GetDayOfWeek(), 5);  // a Thursday
  EXPECT_EQ(t.Format("%Y-%m-%d %H:%M:%S"), "2024-02-29 13:05:09");
  EXPECT_EQ(t.Format(""), "");
  EXPECT_EQ(CTime(0).FormatGmt("%Y-%m-%d %H:%M:%S"), "1970-01-01 00:00:00");
}

TEST(CTimeTest, ArithmeticWithSpans) {
  const CTime start(86400 * 3);
  const CTime later = start + CTimeSpan(1, 2, 3, 4);
  const CTimeSpan span = later - start;
  EXPECT_EQ(span.GetTotalSeconds(), 93784);
  EXPECT_EQ(span.GetDays(), 1);
  EXPECT_EQ(span.GetHours(), 2);
  EXPECT_EQ(span.GetMinutes(), 3);
  EXPECT_EQ(span.GetSeconds(), 4);
  EXPECT_EQ(span.GetTotalMinutes(), 1563);
  EXPECT_EQ(span.Format("%D:%H:%M:%S %%"), "1:02:03:04 %");
  EXPECT_EQ(later - span, start);
  CTime moved = start;
  moved += CTimeSpan(60);
  moved -= CTimeSpan(30);
  EXPECT_EQ(moved.GetTime(), start.GetTime() + 30);
  EXPECT_LT(start, later);
  const CTime now = CTime::GetCurrentTime();
  EXPECT_GT(now.GetYear(), 2000);
}

}  // namespace
