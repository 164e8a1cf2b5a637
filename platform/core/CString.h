#pragma once
// CString: the application's byte string.  Text is UTF-8 inside the program; every length
// and index counts bytes, and comparisons are byte-wise (as unsigned bytes).  Out-of-range
// positions are clamped the way the class library does (Left(99) of "ab" is "ab"), so no
// operation reads or writes outside the string.
//
// A CString passed to a printf-style function must be converted explicitly:
// s.Format("%s", (const char*)name) or name.GetString().

#include <string>
#include <string_view>

#include "platform/core/WinTypes.h"

class CString {
public:
  CString() = default;
  CString(const char* text);  // NOLINT: implicit, as in the class library; null is empty
  CString(const char* text, int length);
  explicit CString(char ch, int repeat = 1);
  explicit CString(std::string text) : m_data(std::move(text)) {}
  explicit CString(std::string_view text) : m_data(text) {}

  CString& operator=(const char* text);
  CString& operator=(char ch);

  int GetLength() const { return static_cast<int>(m_data.size()); }
  BOOL IsEmpty() const { return m_data.empty(); }
  void Empty() { m_data.clear(); }

  operator const char*() const { return m_data.c_str(); }  // NOLINT: implicit by design
  const char* GetString() const { return m_data.c_str(); }
  const std::string& Str() const { return m_data; }

  // Reading outside the string gives '\0'; writing outside it does nothing.
  char operator[](int index) const { return GetAt(index); }
  char GetAt(int index) const;
  void SetAt(int index, char ch);

  CString& operator+=(const CString& other);
  CString& operator+=(const char* text);
  CString& operator+=(char ch);

  // printf-style formatting; the result has whatever length the text needs.
  void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

  CString Left(int count) const;
  CString Right(int count) const;
  CString Mid(int first) const;
  CString Mid(int first, int count) const;

  // Position of the first match at or after `start`, or -1.
  int Find(char ch, int start = 0) const;
  int Find(const char* sub, int start = 0) const;
  int ReverseFind(char ch) const;

  // Both return the number of replacements made; an empty `from` replaces nothing.
  int Replace(char from, char to);
  int Replace(const char* from, const char* to);
  // Insert before `index` (clamped to the ends); return the new length.
  int Insert(int index, char ch);
  int Insert(int index, const char* text);
  // Remove up to `count` bytes from `index`; return the new length.
  int Delete(int index, int count = 1);

  // Without an argument these remove ASCII white space (space, \t, \n, \v, \f, \r).
  CString& TrimLeft();
  CString& TrimLeft(char target);
  CString& TrimLeft(const char* targets);
  CString& TrimRight();
  CString& TrimRight(char target);
  CString& TrimRight(const char* targets);
  CString& Trim() { return TrimRight().TrimLeft(); }

  // ASCII letters only; bytes of multi-byte characters are left alone.
  CString& MakeUpper();
  CString& MakeLower();

  // <0, 0 or >0, byte-wise; CompareNoCase folds ASCII letters only.
  int Compare(const char* other) const;
  int CompareNoCase(const char* other) const;

private:
  std::string m_data;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
CString operator+(const CString& a, char b);
CString operator+(char a, const CString& b);

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, const char* b);
bool operator==(const char* a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, const char* b);
bool operator!=(const char* a, const CString& b);
bool operator<(const CString& a, const CString& b);
bool operator<(const CString& a, const char* b);
bool operator<(const char* a, const CString& b);
bool operator>(const CString& a, const CString& b);
bool operator<=(const CString& a, const CString& b);
bool operator>=(const CString& a, const CString& b);

template <>
struct std::hash<CString> {
  size_t operator()(const CString& s) const noexcept { return std::hash<std::string>()(s.Str()); }
};
