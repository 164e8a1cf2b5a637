#include "platform/win/Clock.h"

#include <chrono>

namespace varlo::win {

std::int64_t SteadyClock::NowMs() const {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

std::int64_t ManualClock::NowMs() const {
  std::lock_guard lock(m_mutex);
  return m_nowMs;
}

void ManualClock::SetOnAdvance(std::function<void()> onAdvance) {
  std::lock_guard lock(m_mutex);
  m_onAdvance = std::move(onAdvance);
}

void ManualClock::Advance(std::int64_t ms) {
  std::function<void()> notify;
  {
    std::lock_guard lock(m_mutex);
    m_nowMs += ms;
    notify = m_onAdvance;
  }
  if (notify) notify();
}

}  // namespace varlo::win
