#pragma once
// CFileException: a file could not be opened, read, written or committed.

#include "platform/core/CException.h"

class CFileException : public CException {
public:
  enum Cause {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    hardIO,
    diskFull,
    endOfFile,
  };

  CFileException() : CFileException(none, 0, nullptr) {}
  CFileException(int cause, int osError, const char* fileName);

  // Maps an errno value to a cause.
  static int OsErrorToException(int osError);

  int m_cause;
  int m_lOsError;  // errno, 0 when the error did not come from the system
  CString m_strFileName;
};
