// Runs a test program inside a private D-Bus session with its own home and XDG folders, so
// that the desktop's address-book services it activates see only what the tests put there
// and end with the session.  Use it from main():
//   if (!InPrivateSession()) return RunInPrivateSession(argc, argv);
#pragma once
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

inline constexpr char kPrivateSessionVariable[] = "VARLO_PRIVATE_SESSION";

inline bool InPrivateSession() { return std::getenv(kPrivateSessionVariable) != nullptr; }

// Starts this program again under dbus-run-session and returns its exit status.
inline int RunInPrivateSession(int argc, char** argv) {
  std::string root = (std::filesystem::temp_directory_path() / "varlo-session-XXXXXX").string();
  if (!::mkdtemp(root.data())) return 2;
  const std::vector<std::pair<const char*, std::string>> folders = {
      {"HOME", root + "/home"},
      {"XDG_CONFIG_HOME", root + "/home/.config"},
      {"XDG_DATA_HOME", root + "/home/.local/share"},
      {"XDG_CACHE_HOME", root + "/home/.cache"},
      {"XDG_RUNTIME_DIR", root + "/run"},
  };
  for (const auto& [name, path] : folders) {
    std::filesystem::create_directories(path);
    ::setenv(name, path.c_str(), 1);
  }
  std::filesystem::permissions(root + "/run", std::filesystem::perms::owner_all);
  ::setenv(kPrivateSessionVariable, root.c_str(), 1);
  // The address-book services must not reach for a settings daemon of the real session.
  ::setenv("GSETTINGS_BACKEND", "memory", 1);

  std::vector<char*> args = {const_cast<char*>("dbus-run-session"), const_cast<char*>("--")};
  std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  args.push_back(self.data());
  for (int i = 1; i < argc; ++i) args.push_back(argv[i]);
  args.push_back(nullptr);
  pid_t pid = 0;
  int status = 0;
  if (::posix_spawnp(&pid, "dbus-run-session", nullptr, nullptr, args.data(), environ) != 0) {
    status = 127 << 8;
  } else {
    while (::waitpid(pid, &status, 0) < 0) {
    }
  }
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
