#include "contacts/ContactFile.h"

#include <cerrno>

#include "platform/core/CArchive.h"
#include "platform/core/CFile.h"

namespace {
constexpr mode_t kFilePermissions = 0600;  // the contacts are the user's alone
}  // namespace

std::vector<ContactRecord> ReadContactFile(const CString& path) {
  std::vector<ContactRecord> records;
  CFile file;
  if (!file.Open(path, CFile::modeRead)) return records;
  try {
    CArchive ar(&file, CArchive::load);
    DWORD count = 0;
    ar >> count;
    for (DWORD i = 0; i < count; ++i) {
      CString name;
      ar >> name;
      ContactRecord& record = records.emplace_back();
      record.columns[kContactName] = name;
      for (int column = kContactEmail; column < kContactColumns; ++column) ar >> record.columns[column];
    }
    ar.Close();
  } catch (const CException&) {
    // The end of the data or damage: what was read stays.
  }
  file.Close();
  return records;
}

BOOL WriteContactFile(const CString& path, const std::vector<ContactRecord>& records, CFileException* error) {
  CFile file;
  CFileException openError;
  if (!file.Open(path, CFile::modeCreate | CFile::modeWrite, &openError, kFilePermissions)) {
    if (error) *error = openError;
    return FALSE;
  }
  try {
    CArchive ar(&file, CArchive::store);
    ar << static_cast<DWORD>(records.size());
    for (const ContactRecord& record : records) {
      for (const CString& text : record.columns) ar << text;
    }
    ar.Close();
  } catch (const CFileException& e) {
    // The archive was left unclosed, so the file's Close keeps the previous content.
    if (error) *error = e;
    file.Abort();
    return FALSE;
  } catch (const CException&) {
    if (error) *error = CFileException(CFileException::genericException, 0, path);
    file.Abort();
    return FALSE;
  }
  if (!file.Close()) {
    const int osError = errno;
    if (error) *error = CFileException(CFileException::OsErrorToException(osError), osError, path);
    return FALSE;
  }
  return TRUE;
}
