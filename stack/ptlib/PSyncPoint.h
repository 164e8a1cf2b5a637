// An auto-reset event: Signal wakes one waiter, or the next one to wait.
#pragma once

#include <condition_variable>
#include <mutex>

#include "stack/ptlib/PTimeInterval.h"

class PSyncPoint {
 public:
  PSyncPoint() = default;
  PSyncPoint(const PSyncPoint&) = delete;
  PSyncPoint& operator=(const PSyncPoint&) = delete;

  void Signal() {
    {
      std::lock_guard lock(m_mutex);
      m_signalled = true;
    }
    m_cv.notify_one();
  }

  void Wait() {
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [this] { return m_signalled; });
    m_signalled = false;
  }

  // False when the time ran out before a signal.
  bool Wait(PTimeInterval timeout) {
    if (timeout.IsInfinite()) {
      Wait();
      return true;
    }
    std::unique_lock lock(m_mutex);
    if (!m_cv.wait_for(lock, timeout.AsDuration(), [this] { return m_signalled; })) return false;
    m_signalled = false;
    return true;
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_signalled = false;
};
