#pragma once
// A latch that wakes threads blocked in poll(): once signalled its descriptor stays
// readable, so every later wait returns at once too.

class WakeEvent {
 public:
  WakeEvent();
  ~WakeEvent();
  WakeEvent(const WakeEvent&) = delete;
  WakeEvent& operator=(const WakeEvent&) = delete;

  bool IsValid() const { return m_fd >= 0; }
  void Signal();
  int GetHandle() const { return m_fd; }

 private:
  int m_fd;
};
