#include "platform/win/ShutdownSignals.h"

#include <pthread.h>
#include <signal.h>

#include "platform/win/MessageSystem.h"

namespace varlo::win {
namespace {

sigset_t ShutdownSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGHUP);
  return set;
}

}  // namespace

void BlockShutdownSignals() {
  const sigset_t set = ShutdownSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

ShutdownSignalWatcher::ShutdownSignalWatcher() {
  BlockShutdownSignals();
  m_thread = std::thread([this] { Watch(); });
}

ShutdownSignalWatcher::~ShutdownSignalWatcher() {
  m_stopping = true;
  // Wakes the watcher with a signal sent to that thread alone; it sees it is to stop.
  pthread_kill(m_thread.native_handle(), SIGTERM);
  m_thread.join();
}

void ShutdownSignalWatcher::Watch() {
  const sigset_t set = ShutdownSet();
  bool asked = false;
  for (;;) {
    int signal = 0;
    if (sigwait(&set, &signal) != 0) continue;
    if (m_stopping) return;
    if (asked) {
      // Asked twice: the user or the system will not wait for the clean end.
      ::signal(signal, SIG_DFL);
      sigset_t one;
      sigemptyset(&one);
      sigaddset(&one, signal);
      pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
      raise(signal);
      return;
    }
    asked = true;
    MessageSystem::Instance().PostQuit(0);
  }
}

}  // namespace varlo::win
