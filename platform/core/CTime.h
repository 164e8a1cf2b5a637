#pragma once
// CTime: a point in time in whole seconds since 1970 (UTC); the calendar accessors and
// Format use local time.

#include <compare>
#include <ctime>

#include "platform/core/CString.h"
#include "platform/core/CTimeSpan.h"

class CTime {
public:
  CTime() = default;
  CTime(std::time_t time) : m_time(time) {}  // NOLINT: implicit as in the class library
  // A local date and time (month 1-12, day 1-31); daylight saving time as the zone says.
  CTime(int year, int month, int day, int hour, int minute, int second);

  static CTime GetCurrentTime();

  std::time_t GetTime() const { return m_time; }
  int GetYear() const { return Local().tm_year + 1900; }
  int GetMonth() const { return Local().tm_mon + 1; }
  int GetDay() const { return Local().tm_mday; }
  int GetHour() const { return Local().tm_hour; }
  int GetMinute() const { return Local().tm_min; }
  int GetSecond() const { return Local().tm_sec; }
  int GetDayOfWeek() const { return Local().tm_wday + 1; }  // 1 = Sunday

  // strftime codes, in local time or in UTC.
  CString Format(const char* format) const;
  CString FormatGmt(const char* format) const;

  CTimeSpan operator-(CTime other) const { return CTimeSpan(m_time - other.m_time); }
  CTime operator+(CTimeSpan span) const { return CTime(m_time + span.GetTotalSeconds()); }
  CTime operator-(CTimeSpan span) const { return CTime(m_time - span.GetTotalSeconds()); }
  CTime& operator+=(CTimeSpan span) {
    m_time += span.GetTotalSeconds();
    return *this;
  }
  CTime& operator-=(CTimeSpan span) {
    m_time -= span.GetTotalSeconds();
    return *this;
  }
  auto operator<=>(const CTime&) const = default;

private:
  std::tm Local() const;

  std::time_t m_time = 0;
};
