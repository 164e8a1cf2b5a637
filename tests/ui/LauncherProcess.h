// The launcher command (tools/launcher) run as a second program: its output is read while
// the test's own window loop keeps running, so that messages it sends are handled.
#pragma once
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

class LauncherProcess {
 public:
  // Starts the launcher with args; it inherits the environment (XDG_RUNTIME_DIR).
  explicit LauncherProcess(const std::vector<std::string>& args) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return;
    m_out = fds[0];
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::vector<std::string> all{VARLO_LAUNCHER_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
  }
  ~LauncherProcess() {
    if (m_pid > 0 && !m_status) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0) ::close(m_out);
  }
  LauncherProcess(const LauncherProcess&) = delete;
  LauncherProcess& operator=(const LauncherProcess&) = delete;

  // Runs pump until the output holds the line; false when the launcher ended or time ran out.
  bool WaitForLine(const std::string& line, const std::function<void()>& pump,
                   std::chrono::seconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
      if (HasLine(line)) return true;
      if (!ReadSome()) return HasLine(line);
      pump();
    }
    return false;
  }
  // Runs pump until the launcher has ended: its exit status, nullopt when time ran out.
  std::optional<int> WaitExit(const std::function<void()>& pump, std::chrono::seconds limit = std::chrono::seconds(20)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!m_status && std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        break;
      }
      ReadSome();
      pump();
    }
    while (m_status && ReadSome()) {
    }
    return m_status;
  }
  const std::string& Output() const { return m_text; }

 private:
  bool HasLine(const std::string& line) const { return ("\n" + m_text).find("\n" + line + "\n") != std::string::npos; }
  // Reads what is there within a short wait; false at the end of the output.
  bool ReadSome() {
    pollfd p{m_out, POLLIN, 0};
    if (::poll(&p, 1, 10) <= 0) return true;
    char buffer[512];
    const ssize_t n = ::read(m_out, buffer, sizeof(buffer));
    if (n <= 0) return false;
    m_text.append(buffer, static_cast<size_t>(n));
    return true;
  }

  pid_t m_pid = -1;
  int m_out = -1;
  std::string m_text;
  std::optional<int> m_status;
};
