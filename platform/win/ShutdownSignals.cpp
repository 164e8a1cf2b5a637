#include "platform/win/ShutdownSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/win/MessageSystem.h"

namespace varlo::win {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr char kStop = 0;  // written by the destructor: no signal has that number

// The write end of the watcher's pipe: a signal handler can reach nothing but a global.
std::atomic<int> g_signalPipe{-1};

void OnSignal(int signal) {
  const int saved = errno;
  const int fd = g_signalPipe.load();
  const char number = static_cast<char>(signal);
  if (fd >= 0) [[maybe_unused]] ssize_t ignored = ::write(fd, &number, 1);
  errno = saved;
}

void Restore() {
  for (int s : kSignals) ::signal(s, SIG_DFL);
}

}  // namespace

ShutdownSignalWatcher::ShutdownSignalWatcher() {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return;
  m_read = fds[0];
  ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
  g_signalPipe = fds[1];
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int s : kSignals) ::sigaction(s, &action, nullptr);
  m_thread = std::thread([this] { Watch(); });
}

ShutdownSignalWatcher::~ShutdownSignalWatcher() {
  if (m_read < 0) return;
  Restore();
  const int fd = g_signalPipe.exchange(-1);
  [[maybe_unused]] ssize_t ignored = ::write(fd, &kStop, 1);
  m_thread.join();
  ::close(fd);
  ::close(m_read);
}

void ShutdownSignalWatcher::Watch() {
  bool asked = false;
  for (;;) {
    char number = kStop;
    const ssize_t n = ::read(m_read, &number, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || number == kStop) return;
    if (asked) {
      // Asked twice: the user or the system will not wait for the clean end.
      Restore();
      ::kill(::getpid(), number);
      return;
    }
    asked = true;
    MessageSystem::Instance().PostQuit(0);
  }
}

}  // namespace varlo::win
