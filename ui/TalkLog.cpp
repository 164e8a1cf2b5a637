#include "ui/TalkLog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/core/RegularFile.h"

namespace {
constexpr const char kStoredLineEnd[] = "\r\r\n";
constexpr int kReadChunkBytes = 256;  // one read: up to 255 bytes or one line
constexpr mode_t kLogFilePermissions = 0600;  // the log holds the numbers dialled

int OpenLogFile(const CString& path, int flags) {
  return ::open(path, O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW | flags, kLogFilePermissions);
}

// Opens the log for writing (appending or emptying it), creating it readable by its owner
// alone; a log that is neither a regular file nor a link is left alone.  What stands in the
// log's place is never written through: a link (to another user's file, say) or a file of
// another user is replaced by a new log of our own.  An older log that others could read
// is made private too.
std::FILE* OpenLogForWriting(const CString& path, int extraFlags, const char* mode) {
  int fd = OpenLogFile(path, extraFlags);
  struct stat st {};
  const bool planted = (fd < 0 && errno == ELOOP) ||
                       (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid != ::geteuid());
  if (planted) {
    if (fd >= 0) ::close(fd);
    if (::unlink(path) != 0) return nullptr;
    fd = OpenLogFile(path, extraFlags | O_EXCL);
  }
  if (fd < 0) return nullptr;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  if ((st.st_mode & 0077) != 0 && st.st_uid == ::geteuid()) ::fchmod(fd, kLogFilePermissions);
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* file = ::fdopen(fd, mode);
  if (!file) ::close(fd);
  return file;
}
}  // namespace

CString TalkLogPath(const CString& appDir) {
  CString path;
  path.Format("%sLog.log", appDir.GetString());
  return path;
}

bool AppendTalkLogLine(const CString& path, const CString& text) {
  FILE* file = OpenLogForWriting(path, O_APPEND, "ab");
  if (!file) return false;
  std::fwrite(text.GetString(), 1, static_cast<size_t>(text.GetLength()), file);
  std::fwrite(kStoredLineEnd, 1, sizeof(kStoredLineEnd) - 1, file);
  return std::fclose(file) == 0;
}

CString ReadTalkLog(const CString& path) {
  FILE* file = FopenRegularFileForReading(path);
  if (!file) return CString();
  std::string bytes;
  char chunk[kReadChunkBytes];
  size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof(chunk), file)) > 0) bytes.append(chunk, n);
  std::fclose(file);
  // A text-mode read: each CR LF pair arrives as one LF.
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text += bytes[i];
  }
  return CString(std::move(text));
}

bool TruncateTalkLog(const CString& path) {
  FILE* file = OpenLogForWriting(path, O_TRUNC, "wb");
  if (!file) return false;
  return std::fclose(file) == 0;
}
