#pragma once
// Windows of other programs of the same user: FindWindow by title and
// SendMessage(WM_COPYDATA) across processes.
//
// A window that other programs may reach is shared explicitly (ShareWithOtherPrograms):
// it then listens on a Unix socket in this user's private directory ($XDG_RUNTIME_DIR/varlo,
// or /tmp/varlo-<uid> when that variable is unset or names a folder that is not this
// user's alone to write; mode 0700, owned by the user, never a link), named after its
// title.  A listener thread accepts the connections and serves each on a thread of its own
// with its own deadline, so that a program that sends slowly holds up no other (32 at
// once; more wait to be accepted).  It refuses peers of another user (SO_PEERCRED), refuses
// payloads above kMaxCopyDataBytes, copies what it receives and hands it to the window's
// thread as WM_COPYDATA (wParam 0: the sender's window is not in this process).  The
// listener and its connections go, and are joined, when the window is destroyed.
//
// A sender waits for the answer at most CrossProcessTimeout() in all, from connecting to
// the answer, so a program that does not answer stops nobody for longer.
#include <chrono>
#include <optional>
#include <string>

#include "platform/win/WinTypes.h"

namespace varlo::win {

// The largest WM_COPYDATA payload sent to or taken from another program.
constexpr DWORD kMaxCopyDataBytes = 64 * 1024;
// The longest class name and title a request may carry.
constexpr DWORD kMaxWindowNameBytes = 4096;

std::chrono::milliseconds CrossProcessTimeout();
void SetCrossProcessTimeout(std::chrono::milliseconds timeout);

// This user's private directory for the windows' sockets, made when missing; empty when
// it cannot be made or is not private (owned by another user, a link, open to others).
std::string CrossProcessDirectory();

// Lets other programs of this user find the window by its title (as it is now) and send
// it WM_COPYDATA, until it is destroyed.  False when the directory is unusable or another
// live program holds a window of the same title.  UI thread.
bool ShareWithOtherPrograms(HWND hwnd);

// A top-level window of another program with this title (and class, when given): a handle
// of this process that stands for it, or null.  A window name is needed.
HWND FindWindowOfOtherProgram(const char* className, const char* windowName);
bool IsOtherProgramWindow(HWND hwnd);

// Sends WM_COPYDATA to a window of another program: its result, or nullopt when it was
// refused, not answered in time, or the window is gone.  Payloads above kMaxCopyDataBytes
// are not sent.
std::optional<LRESULT> SendCopyDataToOtherProgram(HWND hwnd, const COPYDATASTRUCT* data);

}  // namespace varlo::win
