#pragma once
// The program ends as the user's own Exit would end it when the system asks it to: on
// SIGTERM (log-out, shutdown, kill), SIGINT (Ctrl+C in a terminal) and SIGHUP (its terminal
// closed), the message loops are left with a quit so that the windows close and save what
// the session changed.  A second such signal while that runs ends the process at once.

#include <thread>

namespace varlo::win {

// While it lives, the three signals are caught (whichever thread the system gives them to)
// and handed to a thread of its own, which asks the loops to quit; joined when destroyed,
// and the signals' default actions are back.
class ShutdownSignalWatcher {
 public:
  ShutdownSignalWatcher();
  ~ShutdownSignalWatcher();
  ShutdownSignalWatcher(const ShutdownSignalWatcher&) = delete;
  ShutdownSignalWatcher& operator=(const ShutdownSignalWatcher&) = delete;

 private:
  void Watch();
  int m_read = -1;  // the pipe the handler writes each signal's number into
  std::thread m_thread;
};

}  // namespace varlo::win
