// The contact file "pbook.dat": an archive of a 32-bit little-endian count followed by one
// record per contact, five archive strings in column order (Name, Email, Business Tel,
// Home Tel, Mobile Tel).  No signature, version or trailer; no contacts give the four
// bytes of a zero count.
#pragma once
#include <array>
#include <vector>

#include "platform/core/CFileException.h"
#include "platform/core/CString.h"

enum ContactColumn { kContactName, kContactEmail, kContactBusinessTel, kContactHomeTel, kContactMobileTel };
constexpr int kContactColumns = 5;

struct ContactRecord {
  std::array<CString, kContactColumns> columns;
  bool operator==(const ContactRecord&) const = default;
};

// The records of the file at `path`.  A file that does not open gives none.  Reading stops
// without a word at the end of the data or at the first damaged value and keeps what came
// before it: a record cut after its Name keeps the columns read and has the rest empty; a
// record whose Name cannot be read gives nothing.
std::vector<ContactRecord> ReadContactFile(const CString& path);

// Replaces the file at `path` with `records`, through a temporary file renamed over it, so
// that a failure at any point keeps the previous file whole.  Returns FALSE on failure and
// then describes it in `error` when given.
BOOL WriteContactFile(const CString& path, const std::vector<ContactRecord>& records,
                      CFileException* error = nullptr);
