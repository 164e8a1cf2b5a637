#include "platform/win/Shell.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "platform/win/MessageSystem.h"
#include "platform/win/Registry.h"
#include "platform/win/WinStyles.h"

extern char** environ;

namespace varlo::win {
namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

struct Argv {
  std::vector<std::string> strings;
  std::vector<char*> pointers;
  Argv(const std::string& path, const std::vector<std::string>& args) : strings{path} {
    strings.insert(strings.end(), args.begin(), args.end());
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
  }
};

// In a forked child: only calls that are safe after fork in a threaded program.
[[noreturn]] void ExecChild(const char* path, char* const* argv, int nullFd, int outFd, int errorFd) {
  ::dup2(nullFd, STDIN_FILENO);
  if (outFd >= 0) ::dup2(outFd, STDOUT_FILENO);
  // Nothing else of this process's files (sockets, devices) goes to the program; the
  // error pipe closes by itself when the program starts.
  if (errorFd > 3) ::close_range(3, static_cast<unsigned>(errorFd) - 1, 0);
  ::close_range(static_cast<unsigned>(errorFd) + 1, ~0U, 0);
  ::execve(path, argv, environ);
  const int error = errno;
  [[maybe_unused]] const ssize_t n = ::write(errorFd, &error, sizeof(error));
  ::_exit(127);
}

// Waits for the error pipe: true when it closed without a word (the program started).
bool Started(int errorRead) {
  int error = 0;
  ssize_t n;
  do {
    n = ::read(errorRead, &error, sizeof(error));
  } while (n < 0 && errno == EINTR);
  return n == 0;
}

}  // namespace

std::string FindProgram(const std::string& name) {
  if (name.empty()) return "";
  if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : "";
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    // An empty entry would be the current directory: never searched.
    if (!dir.empty() && dir[0] == '/') {
      const std::string candidate = dir + "/" + name;
      if (IsExecutableFile(candidate)) return candidate;
    }
    start = end + 1;
  }
  return "";
}

bool StartProgram(const std::string& path, const std::vector<std::string>& args) {
  if (path.empty()) return false;
  Argv argv(path, args);
  const int nullFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  int pipeFds[2];
  if (nullFd < 0 || ::pipe2(pipeFds, O_CLOEXEC) != 0) {
    if (nullFd >= 0) ::close(nullFd);
    return false;
  }
  // The program runs as a grandchild, so that it is never this process's child: the
  // intermediate child ends at once and is waited for here.
  const pid_t child = ::fork();
  if (child == 0) {
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild == 0) ExecChild(argv.pointers[0], argv.pointers.data(), nullFd, -1, pipeFds[1]);
    if (grandchild < 0) {
      const int error = errno;
      [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &error, sizeof(error));
    }
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  ::close(nullFd);
  bool started = false;
  if (child > 0) {
    int status;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    started = Started(pipeFds[0]);
  }
  ::close(pipeFds[0]);
  return started;
}

bool RunProgramForOutput(const std::string& path, const std::vector<std::string>& args, int timeoutMs,
                         std::string& output, size_t maxBytes) {
  output.clear();
  if (path.empty()) return false;
  Argv argv(path, args);
  const int nullFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  int errorPipe[2];
  int outPipe[2];
  if (nullFd < 0) return false;
  if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
    ::close(nullFd);
    return false;
  }
  if (::pipe2(outPipe, O_CLOEXEC) != 0) {
    ::close(nullFd);
    ::close(errorPipe[0]);
    ::close(errorPipe[1]);
    return false;
  }
  const pid_t child = ::fork();
  if (child == 0) ExecChild(argv.pointers[0], argv.pointers.data(), nullFd, outPipe[1], errorPipe[1]);
  ::close(nullFd);
  ::close(errorPipe[1]);
  ::close(outPipe[1]);
  if (child < 0) {
    ::close(errorPipe[0]);
    ::close(outPipe[0]);
    return false;
  }
  bool ok = Started(errorPipe[0]);
  ::close(errorPipe[0]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  bool timedOut = false;
  while (ok) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut = true;
      break;
    }
    pollfd p{outPipe[0], POLLIN, 0};
    const int n = ::poll(&p, 1, static_cast<int>(left.count()));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) continue;
    char buffer[512];
    const ssize_t got = ::read(outPipe[0], buffer, sizeof(buffer));
    if (got <= 0) break;
    output.append(buffer, static_cast<size_t>(got));
    if (output.size() > maxBytes) {
      timedOut = true;  // more than anyone asked for: treated as a failure
      break;
    }
  }
  ::close(outPipe[0]);
  if (timedOut) ::kill(child, SIGKILL);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  ok = ok && !timedOut && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!ok) output.clear();
  return ok;
}

// A program started to show the user something comes up in front of the telephone.
void YieldTopmost(int showCmd) {
  MessageSystem& sys = MessageSystem::Instance();
  if (showCmd != SW_HIDE && sys.Backend() && sys.IsUiThread()) sys.Backend()->YieldTopmost();
}

}  // namespace varlo::win

HINSTANCE ShellExecuteA(HWND, const char* operation, const char* file, const char* parameters, const char*,
                        int showCmd) {
  auto result = [](int code) { return reinterpret_cast<HINSTANCE>(static_cast<UINT_PTR>(code)); };
  if (operation && *operation && ::strcasecmp(operation, "open") != 0) return result(SE_ERR_NOASSOC);
  if (parameters && *parameters) return result(SE_ERR_NOASSOC);
  // A leading '-' would be taken for one of the opener's options.
  if (!file || !*file || file[0] == '-') return result(SE_ERR_FNF);
  const std::string opener = varlo::win::FindProgram("xdg-open");
  if (opener.empty()) return result(SE_ERR_NOASSOC);
  varlo::win::YieldTopmost(showCmd);
  return result(varlo::win::StartProgram(opener, {file}) ? 42 : SE_ERR_FNF);
}

UINT WinExec(const char* commandLine, UINT showCmd) {
  const std::string line = commandLine ? commandLine : "";
  std::string program;
  size_t rest = std::string::npos;
  if (!line.empty() && line[0] == '"') {
    const size_t close = line.find('"', 1);
    if (close == std::string::npos) return ERROR_FILE_NOT_FOUND;
    program = line.substr(1, close - 1);
    rest = close + 1;
  } else {
    for (const std::string& viewer : varlo::win::RegisteredViewerPaths()) {
      if (!viewer.empty() && line.compare(0, viewer.size(), viewer) == 0 &&
          (line.size() == viewer.size() || line[viewer.size()] == ' ')) {
        program = viewer;
        rest = viewer.size();
        break;
      }
    }
    if (program.empty()) {
      rest = line.find(' ');
      program = line.substr(0, rest);
    }
  }
  if (program.empty()) return 0;
  std::vector<std::string> args;
  if (rest != std::string::npos && rest < line.size()) {
    if (line[rest] == ' ') ++rest;
    if (rest < line.size()) args.push_back(line.substr(rest));
  }
  const std::string path = varlo::win::FindProgram(program);
  if (path.empty()) return ERROR_FILE_NOT_FOUND;
  varlo::win::YieldTopmost(static_cast<int>(showCmd));
  return varlo::win::StartProgram(path, args) ? 33 : ERROR_BAD_FORMAT;
}
