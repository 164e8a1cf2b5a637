#include "platform/core/CArchive.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr int kMinBufferSize = 16;
constexpr BYTE kLongLength8 = 0xFF;      // the length does not fit in one byte
constexpr WORD kWideMark16 = 0xFFFE;     // UTF-16 characters follow, with their own prefix
constexpr WORD kLongLength16 = 0xFFFF;   // the length does not fit in 16 bits
constexpr char32_t kReplacement = 0xFFFD;
constexpr ULONGLONG kMaxStringBytes = 0x7FFFFFFF;  // a CString's length is an int

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Little-endian UTF-16 to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const std::string& bytes) {
  std::string out;
  const size_t units = bytes.size() / 2;
  auto unit = [&](size_t i) {
    return static_cast<char16_t>(static_cast<BYTE>(bytes[2 * i]) |
                                 (static_cast<BYTE>(bytes[2 * i + 1]) << 8));
  };
  for (size_t i = 0; i < units; ++i) {
    const char16_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) <= 0xDFFF) {
      const char32_t c = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                         (static_cast<char32_t>(unit(i + 1)) - 0xDC00);
      AppendUtf8(out, c);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, u);
    }
  }
  return out;
}

}  // namespace

CArchive::CArchive(CFile* file, UINT mode, int bufferSize)
    : m_file(file),
      m_loading((mode & load) != 0),
      m_buffer(static_cast<size_t>(std::max(bufferSize, kMinBufferSize))) {
  if (m_file != nullptr && !m_loading) m_file->AttachArchive();
}

CArchive::~CArchive() {
  if (!m_closed) Abort();
}

void CArchive::Detach() {
  if (m_closed) return;
  m_closed = true;
  if (m_file != nullptr && !m_loading) m_file->DetachArchive();
}

void CArchive::Close() {
  if (m_closed) return;
  if (!m_loading) {
    try {
      Flush();
    } catch (...) {
      Abort();
      throw;
    }
  }
  Detach();
}

void CArchive::Abort() {
  if (m_closed) return;
  if (m_file != nullptr && !m_loading) m_file->DiscardOnClose();
  m_end = 0;
  Detach();
}

void CArchive::Flush() {
  if (m_loading || m_closed || m_end == 0) return;
  if (m_file == nullptr) throw CArchiveException(CArchiveException::genericException);
  const size_t pending = m_end;
  m_end = 0;
  m_file->Write(m_buffer.data(), static_cast<UINT>(pending));
}

ULONGLONG CArchive::BytesLeft() const {
  if (!m_loading || m_file == nullptr) return 0;
  const ULONGLONG length = m_file->GetLength();
  const ULONGLONG position = m_file->GetPosition();
  const ULONGLONG inFile = length > position ? length - position : 0;
  return inFile + (m_end - m_begin);
}

void CArchive::RequireLoading() const {
  if (!m_loading) throw CArchiveException(CArchiveException::writeOnly);
  if (m_closed || m_file == nullptr) throw CArchiveException(CArchiveException::genericException);
}

void CArchive::RequireStoring() const {
  if (m_loading) throw CArchiveException(CArchiveException::readOnly);
  if (m_closed || m_file == nullptr) throw CArchiveException(CArchiveException::genericException);
}

UINT CArchive::Read(void* buffer, UINT count) {
  RequireLoading();
  auto* out = static_cast<BYTE*>(buffer);
  UINT done = 0;
  while (done < count) {
    if (m_begin == m_end) {
      m_begin = 0;
      m_end = m_file->Read(m_buffer.data(), static_cast<UINT>(m_buffer.size()));
      if (m_end == 0) break;
    }
    const size_t n = std::min<size_t>(count - done, m_end - m_begin);
    std::memcpy(out + done, m_buffer.data() + m_begin, n);
    m_begin += n;
    done += static_cast<UINT>(n);
  }
  return done;
}

void CArchive::ReadExact(void* buffer, UINT count) {
  if (Read(buffer, count) != count) {
    throw CArchiveException(CArchiveException::endOfFile, m_file->GetFilePath());
  }
}

void CArchive::Write(const void* buffer, UINT count) {
  RequireStoring();
  const auto* in = static_cast<const BYTE*>(buffer);
  UINT done = 0;
  while (done < count) {
    if (m_end == m_buffer.size()) Flush();
    const size_t n = std::min<size_t>(count - done, m_buffer.size() - m_end);
    std::memcpy(m_buffer.data() + m_end, in + done, n);
    m_end += n;
    done += static_cast<UINT>(n);
  }
}

CArchive& CArchive::operator<<(BYTE value) {
  Write(&value, 1);
  return *this;
}

CArchive& CArchive::operator<<(WORD value) {
  const BYTE bytes[2] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8)};
  Write(bytes, 2);
  return *this;
}

CArchive& CArchive::operator<<(DWORD value) {
  const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8),
                         static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 24)};
  Write(bytes, 4);
  return *this;
}

CArchive& CArchive::operator<<(LONG value) { return *this << static_cast<DWORD>(value); }

CArchive& CArchive::operator<<(const CString& value) {
  const auto length = static_cast<DWORD>(value.GetLength());
  if (length < kLongLength8) {
    *this << static_cast<BYTE>(length);
  } else if (length < kWideMark16) {
    *this << kLongLength8 << static_cast<WORD>(length);
  } else {
    *this << kLongLength8 << kLongLength16 << length;
  }
  Write(value.GetString(), length);
  return *this;
}

CArchive& CArchive::operator>>(BYTE& value) {
  ReadExact(&value, 1);
  return *this;
}

CArchive& CArchive::operator>>(WORD& value) {
  BYTE bytes[2];
  ReadExact(bytes, 2);
  value = static_cast<WORD>(bytes[0] | (bytes[1] << 8));
  return *this;
}

CArchive& CArchive::operator>>(DWORD& value) {
  BYTE bytes[4];
  ReadExact(bytes, 4);
  value = static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) |
          (static_cast<DWORD>(bytes[2]) << 16) | (static_cast<DWORD>(bytes[3]) << 24);
  return *this;
}

CArchive& CArchive::operator>>(LONG& value) {
  DWORD word = 0;
  *this >> word;
  value = static_cast<LONG>(word);
  return *this;
}

ULONGLONG CArchive::ReadStringLength(bool& wide) {
  wide = false;
  BYTE length8 = 0;
  *this >> length8;
  if (length8 < kLongLength8) return length8;
  WORD length16 = 0;
  *this >> length16;
  if (length16 == kWideMark16) {
    wide = true;
    *this >> length8;
    if (length8 < kLongLength8) return length8;
    *this >> length16;
  }
  if (length16 < kLongLength16) return length16;
  DWORD length32 = 0;
  *this >> length32;
  return length32;
}

CArchive& CArchive::operator>>(CString& value) {
  RequireLoading();
  bool wide = false;
  const ULONGLONG length = ReadStringLength(wide);
  const ULONGLONG bytes = wide ? length * 2 : length;
  if (bytes > BytesLeft() || bytes > kMaxStringBytes) {
    throw CArchiveException(CArchiveException::endOfFile, m_file->GetFilePath());
  }
  std::string text(static_cast<size_t>(bytes), '\0');
  ReadExact(text.data(), static_cast<UINT>(bytes));
  value = CString(wide ? Utf16ToUtf8(text) : std::move(text));
  return *this;
}
