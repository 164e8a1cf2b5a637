// The time source of window timers.  The real one is the monotonic clock; tests hand the
// message loop a ManualClock and move time on by hand.
#pragma once
#include <cstdint>
#include <functional>
#include <mutex>

namespace varlo::win {

class IClock {
 public:
  virtual ~IClock() = default;
  virtual std::int64_t NowMs() const = 0;
  // True when time moves only by Advance (the loop must not sleep for a timer then).
  virtual bool IsManual() const { return false; }
  // Called with a function to run whenever a manual clock moves on.
  virtual void SetOnAdvance(std::function<void()>) {}
};

class SteadyClock final : public IClock {
 public:
  std::int64_t NowMs() const override;
};

class ManualClock final : public IClock {
 public:
  explicit ManualClock(std::int64_t startMs = 0) : m_nowMs(startMs) {}
  std::int64_t NowMs() const override;
  bool IsManual() const override { return true; }
  void SetOnAdvance(std::function<void()> onAdvance) override;
  void Advance(std::int64_t ms);

 private:
  mutable std::mutex m_mutex;
  std::int64_t m_nowMs;
  std::function<void()> m_onAdvance;
};

}  // namespace varlo::win
