#pragma once
// The program ends as the user's own Exit would end it when the system asks it to: on
// SIGTERM (log-out, shutdown, kill), SIGINT (Ctrl+C in a terminal) and SIGHUP (its terminal
// closed), the message loops are left with a quit so that the windows close and save what
// the session changed.  A second such signal while that runs ends the process at once.

#include <atomic>
#include <thread>

namespace varlo::win {

// Blocks the three signals in the calling thread and in every thread it starts afterwards,
// so that they arrive only where ShutdownSignalWatcher waits for them.  Call first thing in
// main, before any library starts a thread.
void BlockShutdownSignals();

// Waits for the signals on a thread of its own while it lives; joined when destroyed.
class ShutdownSignalWatcher {
 public:
  ShutdownSignalWatcher();
  ~ShutdownSignalWatcher();
  ShutdownSignalWatcher(const ShutdownSignalWatcher&) = delete;
  ShutdownSignalWatcher& operator=(const ShutdownSignalWatcher&) = delete;

 private:
  void Watch();
  std::atomic<bool> m_stopping{false};
  std::thread m_thread;
};

}  // namespace varlo::win
