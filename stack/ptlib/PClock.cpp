#include "stack/ptlib/PClock.h"

#include <chrono>
#include <thread>

namespace {

class SteadyClock final : public PClock {
 public:
  int64_t NowMicros() const override {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  void SleepUntilMicros(int64_t micros) override {
    const int64_t now = NowMicros();
    if (micros > now) std::this_thread::sleep_for(std::chrono::microseconds(micros - now));
  }
};

}  // namespace

PClock& PClock::System() {
  static SteadyClock clock;
  return clock;
}

void PManualClock::SleepUntilMicros(int64_t micros) {
  int64_t now = m_now.load();
  while (micros > now) {
    if (m_now.compare_exchange_weak(now, micros)) {
      m_slept += micros - now;
      break;
    }
  }
}
