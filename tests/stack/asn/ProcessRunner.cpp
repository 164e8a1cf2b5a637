#include "ProcessRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

extern char** environ;

namespace testing_tools {

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::string& input) {
  ProcessResult result;
  int in[2], out[2], err[2];
  if (pipe2(in, O_CLOEXEC) != 0) return result;
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  if (rc != 0) {
    close(in[1]);
    close(out[0]);
    close(err[0]);
    result.err = "cannot start " + argv[0];
    return result;
  }
  // Write the input and read both outputs together, so that no pipe fills up.
  signal(SIGPIPE, SIG_IGN);
  size_t written = 0;
  bool inOpen = true;
  if (input.empty()) {
    close(in[1]);
    inOpen = false;
  }
  bool outOpen = true, errOpen = true;
  char buf[65536];
  while (outOpen || errOpen || inOpen) {
    pollfd fds[3];
    int n = 0;
    int outIdx = -1, errIdx = -1, inIdx = -1;
    if (outOpen) {
      fds[n] = {out[0], POLLIN, 0};
      outIdx = n++;
    }
    if (errOpen) {
      fds[n] = {err[0], POLLIN, 0};
      errIdx = n++;
    }
    if (inOpen) {
      fds[n] = {in[1], POLLOUT, 0};
      inIdx = n++;
    }
    if (poll(fds, static_cast<nfds_t>(n), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (outIdx >= 0 && fds[outIdx].revents) {
      ssize_t r = read(out[0], buf, sizeof buf);
      if (r > 0) {
        result.out.append(buf, static_cast<size_t>(r));
      } else {
        outOpen = false;
      }
    }
    if (errIdx >= 0 && fds[errIdx].revents) {
      ssize_t r = read(err[0], buf, sizeof buf);
      if (r > 0) {
        result.err.append(buf, static_cast<size_t>(r));
      } else {
        errOpen = false;
      }
    }
    if (inIdx >= 0 && fds[inIdx].revents) {
      ssize_t w = write(in[1], input.data() + written, input.size() - written);
      if (w > 0) written += static_cast<size_t>(w);
      if (w <= 0 || written == input.size()) {
        close(in[1]);
        inOpen = false;
      }
    }
  }
  if (inOpen) close(in[1]);
  close(out[0]);
  close(err[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

TempDir::TempDir() {
  std::string templ = (std::filesystem::temp_directory_path() / "varlo-asn-XXXXXX").string();
  if (!mkdtemp(templ.data())) throw std::runtime_error("cannot make a temporary directory");
  path_ = templ;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f << bytes;
  if (!f) throw std::runtime_error("cannot write " + path);
}

}  // namespace testing_tools
