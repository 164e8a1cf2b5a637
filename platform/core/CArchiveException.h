#pragma once
// CArchiveException: an archive ran out of data (endOfFile) or was used the wrong way.

#include "platform/core/CException.h"

class CArchiveException : public CException {
public:
  enum Cause { none, genericException, readOnly, endOfFile, writeOnly, badIndex, badClass, badSchema };

  explicit CArchiveException(int cause = none, const char* fileName = nullptr);

  int m_cause;
  CString m_strFileName;
};
