// A span of time in milliseconds.
#pragma once

#include <chrono>
#include <cstdint>

class PTimeInterval {
 public:
  constexpr PTimeInterval(int64_t millisecs = 0, long secs = 0, long mins = 0, long hours = 0, int days = 0)
      : m_ms(millisecs + 1000 * (secs + 60 * (mins + 60 * (hours + 24 * static_cast<int64_t>(days))))) {}
  template <class Rep, class Period>
  constexpr PTimeInterval(std::chrono::duration<Rep, Period> d)  // NOLINT: implicit by design
      : m_ms(std::chrono::duration_cast<std::chrono::milliseconds>(d).count()) {}

  constexpr int64_t GetMilliSeconds() const { return m_ms; }
  constexpr long GetSeconds() const { return static_cast<long>(m_ms / 1000); }
  constexpr std::chrono::milliseconds AsDuration() const { return std::chrono::milliseconds(m_ms); }
  // True for the "wait for ever" value.
  constexpr bool IsInfinite() const { return m_ms == INT64_MAX; }

  constexpr PTimeInterval operator+(PTimeInterval o) const { return PTimeInterval(m_ms + o.m_ms); }
  constexpr PTimeInterval operator-(PTimeInterval o) const { return PTimeInterval(m_ms - o.m_ms); }
  constexpr auto operator<=>(const PTimeInterval&) const = default;

 private:
  int64_t m_ms;
};

inline constexpr PTimeInterval PMaxTimeInterval{INT64_MAX};
