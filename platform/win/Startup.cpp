#include "platform/win/Startup.h"

#include "platform/core/RuntimeDir.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

// What a mutex handle points to: the open lock file (or -1 for a handle that holds no
// name) and whether the creating thread owns it.
struct MutexObject {
  int fd = -1;
  bool owned = false;
};


std::string SafeFileName(const char* name) {
  std::string out;
  for (const char* p = name; *p; ++p) {
    const char c = *p;
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
                       c == '-';
    out += plain ? c : '_';
  }
  return out;
}

int g_currentThreadMarker = 0;

}  // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

HANDLE CreateMutexA(void*, BOOL initialOwner, const char* name) {
  auto* mutex = new MutexObject();
  if (!name) {
    mutex->owned = initialOwner != FALSE;
    SetLastError(ERROR_SUCCESS);
    return mutex;
  }
  if (!*name) {
    delete mutex;
    SetLastError(ERROR_INVALID_NAME);
    return nullptr;
  }
  // The lock lives where only this user can write, and a link planted in its place is
  // never followed.
  const std::string dir = PrivateRuntimeDirectory();
  const std::string path = dir + "/" + SafeFileName(name) + ".lock";
  const int fd = dir.empty() ? -1 : open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  struct stat st {};
  if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    close(fd);
    delete mutex;
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (fd < 0) {
    delete mutex;
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    SetLastError(ERROR_ALREADY_EXISTS);
    return mutex;  // refers to the existing mutex; holds nothing here
  }
  mutex->fd = fd;
  mutex->owned = initialOwner != FALSE;
  SetLastError(ERROR_SUCCESS);
  return mutex;
}

BOOL ReleaseMutex(HANDLE handle) {
  auto* mutex = static_cast<MutexObject*>(handle);
  if (!mutex || !mutex->owned) {
    SetLastError(mutex ? ERROR_NOT_OWNER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  mutex->owned = false;
  return TRUE;
}

BOOL CloseHandle(HANDLE handle) {
  if (!handle || handle == &g_currentThreadMarker) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto* mutex = static_cast<MutexObject*>(handle);
  if (mutex->fd >= 0) close(mutex->fd);
  delete mutex;
  return TRUE;
}

HANDLE GetCurrentThread() { return &g_currentThreadMarker; }

BOOL SetThreadPriority(HANDLE thread, int priority) {
  if (thread != &g_currentThreadMarker) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  constexpr int kNicePerStep = 1;
  const auto tid = static_cast<id_t>(syscall(SYS_gettid));
  // A refused raise (no privilege) leaves the thread as it was.
  (void)setpriority(PRIO_PROCESS, tid, -priority * kNicePerStep);
  return TRUE;
}

void AfxEnableControlContainer() {}
BOOL AfxSocketInit() { return TRUE; }
BOOL Enable3dControls() { return TRUE; }
