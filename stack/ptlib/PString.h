// A byte string (UTF-8 text) with the class library's operations.  Positions and lengths
// are in bytes; P_MAX_INDEX stands for "not found" and for "to the end".
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

#include "stack/ptlib/PObject.h"

class PStringArray;

class PString : public PObject {
  PCLASSINFO(PString, PObject)
 public:
  PString() = default;
  PString(const char* text) : m_text(text ? text : "") {}  // NOLINT: implicit by design
  PString(const char* text, PINDEX length);
  PString(const std::string& text) : m_text(text) {}  // NOLINT
  PString(std::string&& text) : m_text(std::move(text)) {}  // NOLINT
  PString(std::string_view text) : m_text(text) {}  // NOLINT
  explicit PString(char c) : m_text(1, c) {}
  PString(const PString&) = default;
  PString(PString&&) noexcept = default;
  PString& operator=(const PString&) = default;
  PString& operator=(PString&&) noexcept = default;
  PString& operator=(const char* text);
  ~PString() override = default;

  // Decimal text of a number.
  static PString FromInteger(long long value);
  static PString FromUnsigned(unsigned long long value);

  PINDEX GetLength() const { return static_cast<PINDEX>(m_text.size()); }
  bool IsEmpty() const { return m_text.empty(); }

  operator const char*() const { return m_text.c_str(); }  // NOLINT: implicit by design
  const char* GetPointer() const { return m_text.c_str(); }
  const std::string& str() const { return m_text; }
  std::string_view view() const { return m_text; }

  // Byte at `index`; 0 outside the string.
  char operator[](PINDEX index) const;

  PString operator+(const PString& other) const { return PString(m_text + other.m_text); }
  PString operator+(const char* other) const { return PString(m_text + (other ? other : "")); }
  PString operator+(char c) const { return PString(m_text + c); }
  friend PString operator+(const char* left, const PString& right);
  friend PString operator+(char left, const PString& right);
  PString& operator+=(const PString& other);
  PString& operator+=(const char* other);
  PString& operator+=(char c);

  Comparison Compare(const PObject& other) const override;
  PObject* Clone() const override { return new PString(*this); }
  // Byte-wise comparison with `text`: <0, 0 or >0.
  int CompareText(std::string_view text) const { return view().compare(text); }
  // Case-insensitive (ASCII) equality.
  bool operator*=(const PString& other) const;

  friend bool operator==(const PString& a, const PString& b) { return a.m_text == b.m_text; }
  friend bool operator==(const PString& a, const char* b) { return a.CompareText(b ? b : "") == 0; }
  friend bool operator==(const char* a, const PString& b) { return b == a; }
  friend bool operator!=(const PString& a, const PString& b) { return !(a == b); }
  friend bool operator!=(const PString& a, const char* b) { return !(a == b); }
  friend bool operator!=(const char* a, const PString& b) { return !(b == a); }
  friend bool operator<(const PString& a, const PString& b) { return a.m_text < b.m_text; }
  friend bool operator>(const PString& a, const PString& b) { return b < a; }
  friend bool operator<=(const PString& a, const PString& b) { return !(b < a); }
  friend bool operator>=(const PString& a, const PString& b) { return !(a < b); }

  // Position of the first occurrence at or after `offset`, P_MAX_INDEX when absent.
  PINDEX Find(char c, PINDEX offset = 0) const;
  PINDEX Find(const PString& text, PINDEX offset = 0) const;
  PINDEX FindLast(char c, PINDEX offset = P_MAX_INDEX) const;
  PINDEX FindOneOf(const PString& chars, PINDEX offset = 0) const;

  // Sub-strings; out-of-range arguments are clamped, so these never fail.
  PString Left(PINDEX length) const;
  PString Right(PINDEX length) const;
  PString Mid(PINDEX start, PINDEX length = P_MAX_INDEX) const;
  // Bytes from `start` to `end` inclusive.
  PString operator()(PINDEX start, PINDEX end) const;

  PString Trim() const;
  PString LeftTrim() const;
  PString RightTrim() const;
  PString ToLower() const;
  PString ToUpper() const;
  // Replaces the first (or every) occurrence of `from` by `to`.
  PString& Replace(const PString& from, const PString& to, bool all = false);

  // Leading number of the text in `base` (2..36); leading blanks and a sign are allowed,
  // the number ends at the first byte that is not a digit; 0 when there is none.
  long AsInteger(unsigned base = 10) const;
  unsigned long AsUnsigned(unsigned base = 10) const;
  long long AsInt64(unsigned base = 10) const;

  // Splits at any byte of `separators`.  With `onePerSeparator` every separator ends a
  // field (so empty fields are kept); without it runs of separators count as one and
  // empty fields are dropped.
  PStringArray Tokenise(const PString& separators, bool onePerSeparator = true) const;

 private:
  std::string m_text;
};

// printf-style formatting into a new string.
PString psprintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
PString pvsprintf(const char* format, va_list args) __attribute__((format(printf, 1, 0)));

// std::hash and ordered-container support.
template <>
struct std::hash<PString> {
  size_t operator()(const PString& s) const noexcept { return std::hash<std::string>()(s.str()); }
};
