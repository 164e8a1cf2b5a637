// Monotonic time source.  Code that paces itself to real time takes a PClock so that
// tests can substitute a manual one and run without sleeping.
#pragma once

#include <atomic>
#include <cstdint>

class PClock {
 public:
  virtual ~PClock() = default;
  // Microseconds since an arbitrary, fixed origin; never goes backwards.
  virtual int64_t NowMicros() const = 0;
  // Returns once NowMicros() >= `micros` (at once when that time has passed).
  virtual void SleepUntilMicros(int64_t micros) = 0;

  // The process-wide steady clock.
  static PClock& System();
};

// A clock that only moves when told to, or when someone sleeps on it (the sleep then
// jumps the time forward instead of waiting).
class PManualClock : public PClock {
 public:
  explicit PManualClock(int64_t startMicros = 0) : m_now(startMicros) {}
  int64_t NowMicros() const override { return m_now.load(); }
  void SleepUntilMicros(int64_t micros) override;
  void AdvanceMicros(int64_t delta) { m_now += delta; }
  // Total time that sleepers asked to wait.
  int64_t SleptMicros() const { return m_slept.load(); }

 private:
  std::atomic<int64_t> m_now;
  std::atomic<int64_t> m_slept{0};
};
