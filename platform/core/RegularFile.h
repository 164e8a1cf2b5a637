#pragma once
// Opening a data file for reading without ever blocking on what stands in its place: a FIFO,
// a device or a socket where a file is expected would otherwise hold the caller (often the
// start of the program) for as long as nobody writes to it.

#include <cstdio>

// Opens `path` read-only when it is a regular file (a link to one is followed); -1 with errno
// set otherwise (EINVAL for anything that is not a regular file).  The descriptor is
// close-on-exec and blocking.
int OpenRegularFileForReading(const char* path);

// The same as a stdio stream in binary mode ("rb"); nullptr when the path is not a regular file.
std::FILE* FopenRegularFileForReading(const char* path);
