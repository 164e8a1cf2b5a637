#pragma once
// CFile: a binary file opened for reading or for writing.
//
// Writing with modeCreate | modeWrite replaces the file atomically: the bytes go to a new
// temporary file "<name>.tmp-XXXXXX" in the same directory, and Close() flushes it to disk
// and renames it over <name>.  Until then the previous file is untouched, and it stays so
// when a write fails, when a store archive on the file was not closed successfully, or
// when the CFile is destroyed (or aborted) without Close().  An existing file that the
// process may not write is not replaced: Open fails as it would for writing in place.
//
// modeWrite alone opens an existing file for writing in place, from its start.
// Read and Write throw CFileException on a system error; Open reports failure by its result.

#include <sys/types.h>

#include <initializer_list>

#include "platform/core/CFileException.h"
#include "platform/core/CString.h"

class CFile {
public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeCreate = 0x1000,
    typeBinary = 0x8000,  // accepted and ignored: every file is binary
  };
  // Permissions of a created file, before the process's umask applies.
  static constexpr mode_t kDefaultPermissions = 0666;

  CFile() = default;
  ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  BOOL Open(LPCTSTR fileName, UINT openFlags, CFileException* error = nullptr,
            mode_t permissions = kDefaultPermissions);

  // Returns the bytes read; fewer than asked only at the end of the file.
  UINT Read(void* buffer, UINT count);
  void Write(const void* buffer, UINT count);

  // Finishes the file.  For a replacing write: TRUE when the new content is in place,
  // FALSE when it was discarded and the previous file kept.  Never throws.
  BOOL Close();
  // Closes without committing anything; never throws.
  void Abort();

  BOOL IsOpen() const { return m_fd >= 0; }
  ULONGLONG GetLength() const;
  ULONGLONG GetPosition() const { return m_position; }
  const CString& GetFilePath() const { return m_path; }

  // Marks the content written so far as incomplete: Close() will keep the previous file.
  void DiscardOnClose() { m_failed = true; }

  // Store archives register while they are open, so that closing the file under an archive
  // that still holds unwritten data keeps the previous file.
  void AttachArchive() { ++m_openArchives; }
  void DetachArchive() {
    if (m_openArchives > 0) --m_openArchives;
  }

private:
  void Reset();

  int m_fd = -1;
  CString m_path;      // the file as named by the caller
  CString m_tempPath;  // replacing write: the temporary file being written
  ULONGLONG m_position = 0;
  bool m_failed = false;
  int m_openArchives = 0;
};

// Removes what replacing writes of the named files in `dir` left behind when the program
// was killed in the middle of one: this user's regular files "<name>.tmp-XXXXXX" there
// (links, other users' files and other names stay).  Called at start, while no write of
// this program's can be under way.  Returns how many were removed.
int RemoveStaleTemporaryFiles(const CString& dir, std::initializer_list<const char*> names);
