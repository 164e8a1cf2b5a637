#pragma once
// The folder for this user's run-time files (locks, sockets): $XDG_RUNTIME_DIR when the
// session sets it to a folder of this user's that nobody else can write, otherwise a folder
// that only this user can write, made on first use.

#include <string>

// "" when no folder that only this user can write could be found or made.
std::string PrivateRuntimeDirectory();

// $XDG_RUNTIME_DIR when it names a real folder (not a link) of this user's that neither
// the group nor others may write; "" otherwise.
std::string SessionRuntimeDirectory();

// True when `dir` is a real folder (not a link) owned by this user that nobody else may
// write to or look into.
bool IsPrivateDirectory(const std::string& dir);
