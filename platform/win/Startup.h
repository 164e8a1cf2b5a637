// Process start-up services of the system interface: named mutexes (here only what a
// single-instance check needs), the last-error code, thread priorities, and the class
// library's start-up switches that have nothing to set up on this system.
#pragma once
#include "platform/win/Resources.h"
#include "platform/win/WinTypes.h"

using HANDLE = void*;

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_NOT_OWNER = 288;

constexpr int THREAD_PRIORITY_LOWEST = -2;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
constexpr int THREAD_PRIORITY_HIGHEST = 2;

// The calling thread's last error, set by the functions below.
DWORD GetLastError();
void SetLastError(DWORD error);

// A named mutex that other processes can see.  The name is held by an exclusive lock
// (flock) on the file "<name>.lock" in this user's run-time folder (PrivateRuntimeDirectory:
// $XDG_RUNTIME_DIR when it is this user's alone to write, else a private folder of ours);
// characters other than letters, digits, '_' and '-' in the name become '_'.  When the
// name is already held, by this process or another, the result is a handle that holds
// nothing and GetLastError() says ERROR_ALREADY_EXISTS; otherwise the name stays held
// until the handle is closed (ReleaseMutex gives up ownership, not the name).  A lock
// file that cannot be opened gives a null handle.  A null name makes an unnamed mutex.
HANDLE CreateMutexA(void* attributes, BOOL initialOwner, const char* name);
inline HANDLE CreateMutex(void* attributes, BOOL initialOwner, const char* name) {
  return CreateMutexA(attributes, initialOwner, name);
}
BOOL ReleaseMutex(HANDLE mutex);
BOOL CloseHandle(HANDLE handle);

// The calling thread (a pseudo handle, as on the system it stands for).
HANDLE GetCurrentThread();
// Best effort: the calling thread's scheduling niceness follows the priority (HIGHEST is
// two steps above normal); raising it without the right to do so changes nothing and
// still succeeds.  Only the calling thread's pseudo handle is supported.
BOOL SetThreadPriority(HANDLE thread, int priority);

// Framework start-up switches: web controls, sockets and 3-D controls need no
// preparation here.
void AfxEnableControlContainer();
BOOL AfxSocketInit();
BOOL Enable3dControls();

inline HINSTANCE GetModuleHandleA(const char* name) { return GetModuleHandle(name); }
inline DWORD GetModuleFileNameA(HINSTANCE module, char* buffer, DWORD size) {
  return GetModuleFileName(module, buffer, size);
}
