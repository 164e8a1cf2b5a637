// A re-entrant mutex (the thread that holds it may take it again) and its scope guard.
#pragma once

#include <mutex>

class PMutex {
 public:
  PMutex() = default;
  PMutex(const PMutex&) = delete;
  PMutex& operator=(const PMutex&) = delete;

  void Wait() { m_mutex.lock(); }
  bool Try() { return m_mutex.try_lock(); }
  void Signal() { m_mutex.unlock(); }

  // Lockable, so std::lock_guard and std::unique_lock work too.
  void lock() { Wait(); }
  bool try_lock() { return Try(); }
  void unlock() { Signal(); }

 private:
  std::recursive_mutex m_mutex;
};

// Holds a mutex for its scope.
class PWaitAndSignal {
 public:
  explicit PWaitAndSignal(PMutex& mutex) : m_mutex(mutex) { m_mutex.Wait(); }
  ~PWaitAndSignal() { m_mutex.Signal(); }
  PWaitAndSignal(const PWaitAndSignal&) = delete;
  PWaitAndSignal& operator=(const PWaitAndSignal&) = delete;

 private:
  PMutex& m_mutex;
};
