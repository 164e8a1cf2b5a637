#pragma once
// CTimeSpan: a signed interval in whole seconds.

#include <compare>
#include <ctime>

#include "platform/core/CString.h"

class CTimeSpan {
public:
  CTimeSpan() = default;
  CTimeSpan(std::time_t seconds) : m_seconds(seconds) {}  // NOLINT: implicit as in the class library
  CTimeSpan(LONG days, int hours, int minutes, int seconds);

  LONGLONG GetDays() const { return m_seconds / 86400; }
  LONG GetHours() const { return static_cast<LONG>(m_seconds / 3600 % 24); }
  LONG GetMinutes() const { return static_cast<LONG>(m_seconds / 60 % 60); }
  LONG GetSeconds() const { return static_cast<LONG>(m_seconds % 60); }
  LONGLONG GetTotalHours() const { return m_seconds / 3600; }
  LONGLONG GetTotalMinutes() const { return m_seconds / 60; }
  LONGLONG GetTotalSeconds() const { return m_seconds; }

  // %D days, %H hours (00-23), %M minutes, %S seconds (two digits each), %% a percent sign;
  // any other character stands as it is.
  CString Format(const char* format) const;

  CTimeSpan operator+(CTimeSpan other) const { return CTimeSpan(m_seconds + other.m_seconds); }
  CTimeSpan operator-(CTimeSpan other) const { return CTimeSpan(m_seconds - other.m_seconds); }
  CTimeSpan operator-() const { return CTimeSpan(-m_seconds); }
  CTimeSpan& operator+=(CTimeSpan other) {
    m_seconds += other.m_seconds;
    return *this;
  }
  CTimeSpan& operator-=(CTimeSpan other) {
    m_seconds -= other.m_seconds;
    return *this;
  }
  auto operator<=>(const CTimeSpan&) const = default;

private:
  LONGLONG m_seconds = 0;
};
