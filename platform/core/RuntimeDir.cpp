#include "platform/core/RuntimeDir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

constexpr mode_t kPrivateFolderPermissions = 0700;

// `dir` itself, made private when missing; "" when it is there but not ours alone.
std::string MakePrivate(const std::string& dir) {
  if (::mkdir(dir.c_str(), kPrivateFolderPermissions) != 0 && errno != EEXIST) return "";
  return IsPrivateDirectory(dir) ? dir : "";
}

}  // namespace

std::string SessionRuntimeDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || *runtime != '/') return "";
  // Anyone may set the variable: a folder that others can write (a shared 1777 one, say)
  // would let them take the lock or the socket names first.
  struct stat st {};
  if (::lstat(runtime, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
      (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return "";
  }
  return runtime;
}

bool IsPrivateDirectory(const std::string& dir) {
  struct stat st {};
  if (::lstat(dir.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 0077) == 0;
}

std::string PrivateRuntimeDirectory() {
  if (std::string runtime = SessionRuntimeDirectory(); !runtime.empty()) return runtime;
  // A folder of our own under the temporary folder, unless somebody else took its name;
  // then one in the home folder.
  const std::string uid = std::to_string(::geteuid());
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp && *tmp == '/' ? tmp : "/tmp";
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (std::string dir = MakePrivate(base + "/varlo-" + uid); !dir.empty()) return dir;
  const char* home = std::getenv("HOME");
  if (home && *home == '/') {
    std::string folder = home;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (std::string dir = MakePrivate(folder + "/.varlo-run"); !dir.empty()) return dir;
  }
  return "";
}
