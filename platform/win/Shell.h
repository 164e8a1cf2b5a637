#pragma once
// Starting the desktop's programs.  ShellExecuteA opens a document or an address with the
// desktop's opener (xdg-open); WinExec runs a command line.  Programs are started
// directly with an argument vector, never through a shell, so nothing in a path or an
// address is ever read as a command; they run on their own, and nobody waits for them.
#include <string>
#include <vector>

#include "platform/win/ErrorCodes.h"
#include "platform/win/WinTypes.h"

constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_OOM = 8;
constexpr int SE_ERR_NOASSOC = 31;
constexpr UINT ERROR_BAD_FORMAT = 11;

// "open" (or no verb) of a file or an address, without parameters: the result is above 32
// when the opener started, SE_ERR_NOASSOC for another verb or parameters, SE_ERR_FNF when
// there is no opener or the file names nothing that could be opened.
HINSTANCE ShellExecuteA(HWND hwnd, const char* operation, const char* file, const char* parameters,
                        const char* directory, int showCmd);
inline HINSTANCE ShellExecute(HWND hwnd, const char* operation, const char* file, const char* parameters,
                              const char* directory, int showCmd) {
  return ShellExecuteA(hwnd, operation, file, parameters, directory, showCmd);
}

// Runs "program argument": the program is the quoted text at the start, or a viewer
// path that the registry gives (it may hold blanks), or else the text before the first
// blank; everything after the one blank that follows it is one argument, blanks and
// quotes included.  Above 31 when the program started; 0 for an empty line,
// ERROR_FILE_NOT_FOUND when the program is not found, ERROR_BAD_FORMAT when it did not run.
UINT WinExec(const char* commandLine, UINT showCmd);

namespace varlo::win {

// The full path of the program name on PATH (or name itself when it holds a "/" and is
// executable); empty when there is none.
std::string FindProgram(const std::string& name);
// Starts the program at path with the arguments (argv[0] is the path); true once it is
// running.  Its input is /dev/null; it inherits nothing else of this process but its
// output and error streams, and it is never this process's child to wait for.
bool StartProgram(const std::string& path, const std::vector<std::string>& args);
// Runs the program and returns what it wrote to its output (at most maxBytes), or nothing
// when it failed to start, failed, or took longer than timeoutMs (it is then killed).
bool RunProgramForOutput(const std::string& path, const std::vector<std::string>& args, int timeoutMs,
                         std::string& output, size_t maxBytes = 4096);

}  // namespace varlo::win
