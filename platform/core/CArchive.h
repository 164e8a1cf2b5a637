#pragma once
// CArchive: buffered reading (load) or writing (store) of words and strings on a CFile, in
// the class library's archive encoding:
// - BYTE, WORD and 32-bit words (DWORD/UINT, LONG/int) little-endian;
// - a string as a length prefix and its bytes, no terminator.  The prefix is one byte when
//   the length is below 255, else 0xFF and a 16-bit length when below 0xFFFE, else 0xFF,
//   0xFFFF and a 32-bit length.  On loading, 0xFF 0xFFFE announces a string of UTF-16 code
//   units with its own prefix after it; it is converted to UTF-8.
//
// Loading throws CArchiveException(endOfFile) when the data ends inside a value, and also
// when a string's length exceeds the bytes left in the file, so that a damaged length never
// makes a large allocation.  A value is assigned only once it has been read whole.
// Storing throws CFileException when the file cannot be written.  A store archive that is
// destroyed or aborted before a successful Close() leaves its file marked incomplete, so
// that the file's Close() keeps the previous file.

#include <vector>

#include "platform/core/CArchiveException.h"
#include "platform/core/CFile.h"
#include "platform/core/CString.h"

class CArchive {
public:
  enum Mode : UINT { store = 0, load = 1 };
  static constexpr int kDefaultBufferSize = 4096;

  CArchive(CFile* file, UINT mode, int bufferSize = kDefaultBufferSize);
  ~CArchive();
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  BOOL IsLoading() const { return m_loading; }
  BOOL IsStoring() const { return !m_loading; }
  CFile* GetFile() const { return m_file; }

  // Store: writes out the buffer, then detaches from the file.  Load: detaches.
  void Close();
  // Detaches without writing; a store archive marks its file incomplete.
  void Abort();
  void Flush();

  // Load: bytes not yet consumed, in the buffer and in the rest of the file.
  ULONGLONG BytesLeft() const;

  // Raw bytes: Read returns the count read (fewer only at the end of the file).
  UINT Read(void* buffer, UINT count);
  void Write(const void* buffer, UINT count);

  CArchive& operator<<(BYTE value);
  CArchive& operator<<(WORD value);
  CArchive& operator<<(DWORD value);
  CArchive& operator<<(LONG value);
  CArchive& operator<<(const CString& value);

  CArchive& operator>>(BYTE& value);
  CArchive& operator>>(WORD& value);
  CArchive& operator>>(DWORD& value);
  CArchive& operator>>(LONG& value);
  CArchive& operator>>(CString& value);

private:
  void RequireLoading() const;
  void RequireStoring() const;
  void ReadExact(void* buffer, UINT count);
  ULONGLONG ReadStringLength(bool& wide);
  void Detach();

  CFile* m_file;
  bool m_loading;
  bool m_closed = false;
  std::vector<BYTE> m_buffer;
  size_t m_begin = 0;  // load: next unread byte; store: unused
  size_t m_end = 0;    // load: end of the valid bytes; store: bytes pending
};
