#include "platform/core/CFile.h"

#include "platform/core/RegularFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string_view>

#include <cerrno>
#include <random>

namespace {

constexpr int kTempNameAttempts = 100;
constexpr char kTempMark[] = ".tmp-";
constexpr size_t kTempDigits = 6;
constexpr char kTempDigitSet[] = "0123456789abcdefghijklmnopqrstuvwxyz";

// Whether `entry` is "<name>.tmp-" and kTempDigits characters of kTempDigitSet.
bool IsTemporaryNameOf(std::string_view entry, std::string_view name) {
  const size_t prefix = name.size() + std::strlen(kTempMark);
  if (entry.size() != prefix + kTempDigits || entry.substr(0, name.size()) != name ||
      entry.substr(name.size(), std::strlen(kTempMark)) != kTempMark) {
    return false;
  }
  return entry.substr(prefix).find_first_not_of(kTempDigitSet) == std::string_view::npos;
}

void Report(CFileException* error, int osError, const char* fileName) {
  if (error != nullptr) {
    *error = CFileException(CFileException::OsErrorToException(osError), osError, fileName);
  }
}

CString DirectoryOf(const CString& path) {
  const int slash = path.ReverseFind('/');
  if (slash < 0) return CString(".");
  if (slash == 0) return CString("/");
  return path.Left(slash);
}

// Makes a rename in `dir` durable; failure here does not undo the rename.
void SyncDirectory(const CString& dir) {
  const int fd = ::open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

int CreateTemp(const CString& path, mode_t permissions, CString& tempPath) {
  std::random_device entropy;
  std::uniform_int_distribution<int> digit(0, static_cast<int>(sizeof(kTempDigitSet)) - 2);
  for (int attempt = 0; attempt < kTempNameAttempts; ++attempt) {
    CString candidate = path + kTempMark;
    for (size_t i = 0; i < kTempDigits; ++i) candidate += kTempDigitSet[digit(entropy)];
    const int fd = ::open(candidate, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, permissions);
    if (fd >= 0) {
      tempPath = candidate;
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  errno = EEXIST;
  return -1;
}

}  // namespace

CFile::~CFile() { Abort(); }

BOOL CFile::Open(LPCTSTR fileName, UINT openFlags, CFileException* error, mode_t permissions) {
  Abort();
  if (fileName == nullptr || *fileName == '\0') {
    Report(error, ENOENT, "");
    return FALSE;
  }
  const UINT flags = openFlags & ~static_cast<UINT>(typeBinary);
  if (flags == modeRead) {
    // Only a regular file is read: a FIFO or device in a data file's place must not hold
    // the reader.
    const int fd = OpenRegularFileForReading(fileName);
    if (fd < 0) {
      Report(error, errno, fileName);
      return FALSE;
    }
    m_fd = fd;
  } else if (flags == (modeCreate | modeWrite)) {
    // The file is replaced, not written: honour a read-only existing file all the same.
    if (::access(fileName, F_OK) == 0 && ::access(fileName, W_OK) != 0) {
      Report(error, errno, fileName);
      return FALSE;
    }
    const int fd = CreateTemp(CString(fileName), permissions, m_tempPath);
    if (fd < 0) {
      Report(error, errno, fileName);
      return FALSE;
    }
    m_fd = fd;
  } else if (flags == modeWrite) {
    const int fd = ::open(fileName, O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
      ::close(fd);
      Report(error, EINVAL, fileName);
      return FALSE;
    }
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (fd < 0) {
      Report(error, errno, fileName);
      return FALSE;
    }
    m_fd = fd;
  } else {
    Report(error, EINVAL, fileName);
    return FALSE;
  }
  m_path = fileName;
  m_position = 0;
  m_failed = false;
  return TRUE;
}

UINT CFile::Read(void* buffer, UINT count) {
  if (m_fd < 0) throw CFileException(CFileException::invalidFile, EBADF, m_path);
  auto* out = static_cast<char*>(buffer);
  UINT done = 0;
  while (done < count) {
    const ssize_t n = ::read(m_fd, out + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int osError = errno;
      throw CFileException(CFileException::OsErrorToException(osError), osError, m_path);
    }
    if (n == 0) break;
    done += static_cast<UINT>(n);
  }
  m_position += done;
  return done;
}

void CFile::Write(const void* buffer, UINT count) {
  if (m_fd < 0) throw CFileException(CFileException::invalidFile, EBADF, m_path);
  const auto* in = static_cast<const char*>(buffer);
  UINT done = 0;
  while (done < count) {
    const ssize_t n = ::write(m_fd, in + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int osError = errno;
      m_failed = true;
      throw CFileException(CFileException::OsErrorToException(osError), osError, m_path);
    }
    done += static_cast<UINT>(n);
    m_position += static_cast<UINT>(n);
  }
}

BOOL CFile::Close() {
  if (m_fd < 0) return FALSE;
  if (m_tempPath.IsEmpty()) {
    const bool ok = ::close(m_fd) == 0 && !m_failed;
    Reset();
    return ok;
  }
  bool ok = !m_failed && m_openArchives == 0;
  ok = ok && ::fsync(m_fd) == 0;
  ok = (::close(m_fd) == 0) && ok;
  ok = ok && ::rename(m_tempPath, m_path) == 0;
  if (ok) {
    SyncDirectory(DirectoryOf(m_path));
  } else {
    ::unlink(m_tempPath);
  }
  Reset();
  return ok;
}

void CFile::Abort() {
  if (m_fd < 0) return;
  ::close(m_fd);
  if (!m_tempPath.IsEmpty()) ::unlink(m_tempPath);
  Reset();
}

ULONGLONG CFile::GetLength() const {
  struct stat st {};
  if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return 0;
  return static_cast<ULONGLONG>(st.st_size);
}

void CFile::Reset() {
  m_fd = -1;
  m_path.Empty();
  m_tempPath.Empty();
  m_position = 0;
  m_failed = false;
  m_openArchives = 0;
}

int RemoveStaleTemporaryFiles(const CString& dir, std::initializer_list<const char*> names) {
  DIR* folder = ::opendir(dir.IsEmpty() ? "." : dir.GetString());
  if (!folder) return 0;
  const int dirFd = ::dirfd(folder);
  int removed = 0;
  while (const dirent* entry = ::readdir(folder)) {
    const std::string_view entryName = entry->d_name;
    bool ours = false;
    for (const char* name : names) ours = ours || IsTemporaryNameOf(entryName, name);
    struct stat st {};
    if (!ours || ::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
    if (::unlinkat(dirFd, entry->d_name, 0) == 0) ++removed;
  }
  ::closedir(folder);
  return removed;
}
