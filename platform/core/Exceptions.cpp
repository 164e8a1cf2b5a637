#include <cerrno>
#include <cstring>

#include "platform/core/CArchiveException.h"
#include "platform/core/CFileException.h"

namespace {

CString FileMessage(int cause, int osError, const char* fileName) {
  CString text;
  text.Format("file error %d on \"%s\"%s%s", cause, fileName != nullptr ? fileName : "",
              osError != 0 ? ": " : "", osError != 0 ? std::strerror(osError) : "");
  return text;
}

CString ArchiveMessage(int cause, const char* fileName) {
  static const char* const kNames[] = {"none",     "generic error", "store-only archive",
                                       "end of file", "load-only archive", "bad index",
                                       "bad class", "bad schema"};
  const char* name = (cause >= 0 && cause <= CArchiveException::badSchema) ? kNames[cause] : "?";
  CString text;
  text.Format("archive error (%s) on \"%s\"", name, fileName != nullptr ? fileName : "");
  return text;
}

}  // namespace

CFileException::CFileException(int cause, int osError, const char* fileName)
    : CException(FileMessage(cause, osError, fileName)),
      m_cause(cause),
      m_lOsError(osError),
      m_strFileName(fileName) {}

int CFileException::OsErrorToException(int osError) {
  switch (osError) {
    case 0:
      return none;
    case ENOENT:
      return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return badPath;
    case EMFILE:
    case ENFILE:
      return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return accessDenied;
    case EBADF:
      return invalidFile;
    case EIO:
      return hardIO;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return diskFull;
    default:
      return genericException;
  }
}

CArchiveException::CArchiveException(int cause, const char* fileName)
    : CException(ArchiveMessage(cause, fileName)), m_cause(cause), m_strFileName(fileName) {}
