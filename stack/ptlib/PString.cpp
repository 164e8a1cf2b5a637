#include "stack/ptlib/PString.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "stack/ptlib/PStringArray.h"

namespace {

bool IsBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

PINDEX ToIndex(size_t pos) {
  return pos == std::string::npos || pos > static_cast<size_t>(P_MAX_INDEX) ? P_MAX_INDEX
                                                                             : static_cast<PINDEX>(pos);
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 99;
}

// Parses the leading number; returns the magnitude (saturated) and sets `negative`.
unsigned long long ParseNumber(const std::string& text, unsigned base, bool& negative) {
  negative = false;
  if (base < 2 || base > 36) return 0;
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  unsigned long long value = 0;
  constexpr unsigned long long kMax = ~0ULL;
  for (; i < text.size(); ++i) {
    const int d = DigitValue(text[i]);
    if (d >= static_cast<int>(base)) break;
    if (value > (kMax - static_cast<unsigned>(d)) / base) {
      value = kMax;
    } else {
      value = value * base + static_cast<unsigned>(d);
    }
  }
  return value;
}

}  // namespace

PString::PString(const char* text, PINDEX length) {
  if (text != nullptr && length > 0) m_text.assign(text, static_cast<size_t>(length));
}

PString& PString::operator=(const char* text) {
  m_text = text ? text : "";
  return *this;
}

PString PString::FromInteger(long long value) { return PString(std::to_string(value)); }
PString PString::FromUnsigned(unsigned long long value) { return PString(std::to_string(value)); }

char PString::operator[](PINDEX index) const {
  return index >= 0 && index < GetLength() ? m_text[static_cast<size_t>(index)] : '\0';
}

PString operator+(const char* left, const PString& right) {
  return PString(std::string(left ? left : "") + right.m_text);
}

PString operator+(char left, const PString& right) { return PString(left + right.m_text); }

PString& PString::operator+=(const PString& other) {
  m_text += other.m_text;
  return *this;
}

PString& PString::operator+=(const char* other) {
  if (other) m_text += other;
  return *this;
}

PString& PString::operator+=(char c) {
  m_text += c;
  return *this;
}

PObject::Comparison PString::Compare(const PObject& other) const {
  const auto* s = dynamic_cast<const PString*>(&other);
  if (s == nullptr) return PObject::Compare(other);
  const int c = m_text.compare(s->m_text);
  return c < 0 ? LessThan : (c > 0 ? GreaterThan : EqualTo);
}

bool PString::operator*=(const PString& other) const {
  return m_text.size() == other.m_text.size() &&
         std::equal(m_text.begin(), m_text.end(), other.m_text.begin(),
                    [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

PINDEX PString::Find(char c, PINDEX offset) const {
  if (offset < 0) offset = 0;
  return ToIndex(m_text.find(c, static_cast<size_t>(offset)));
}

PINDEX PString::Find(const PString& text, PINDEX offset) const {
  if (offset < 0) offset = 0;
  if (offset > GetLength()) return P_MAX_INDEX;
  return ToIndex(m_text.find(text.m_text, static_cast<size_t>(offset)));
}

PINDEX PString::FindLast(char c, PINDEX offset) const {
  if (offset < 0) return P_MAX_INDEX;
  return ToIndex(m_text.rfind(c, offset == P_MAX_INDEX ? std::string::npos : static_cast<size_t>(offset)));
}

PINDEX PString::FindOneOf(const PString& chars, PINDEX offset) const {
  if (offset < 0) offset = 0;
  return ToIndex(m_text.find_first_of(chars.m_text, static_cast<size_t>(offset)));
}

PString PString::Left(PINDEX length) const {
  if (length <= 0) return PString();
  return PString(m_text.substr(0, static_cast<size_t>(length)));
}

PString PString::Right(PINDEX length) const {
  if (length <= 0) return PString();
  if (length >= GetLength()) return *this;
  return PString(m_text.substr(m_text.size() - static_cast<size_t>(length)));
}

PString PString::Mid(PINDEX start, PINDEX length) const {
  if (start < 0) {
    if (length != P_MAX_INDEX) length = length + start;
    start = 0;
  }
  if (length <= 0 || start >= GetLength()) return PString();
  return PString(m_text.substr(static_cast<size_t>(start), static_cast<size_t>(length)));
}

PString PString::operator()(PINDEX start, PINDEX end) const {
  if (end < 0) return PString();
  if (start < 0) start = 0;
  if (end >= GetLength()) end = GetLength() - 1;
  if (end < start) return PString();
  return Mid(start, end - start + 1);
}

PString PString::LeftTrim() const {
  size_t i = 0;
  while (i < m_text.size() && IsBlank(m_text[i])) ++i;
  return PString(m_text.substr(i));
}

PString PString::RightTrim() const {
  size_t n = m_text.size();
  while (n > 0 && IsBlank(m_text[n - 1])) --n;
  return PString(m_text.substr(0, n));
}

PString PString::Trim() const { return LeftTrim().RightTrim(); }

PString PString::ToLower() const {
  std::string s = m_text;
  std::transform(s.begin(), s.end(), s.begin(), AsciiLower);
  return PString(std::move(s));
}

PString PString::ToUpper() const {
  std::string s = m_text;
  std::transform(s.begin(), s.end(), s.begin(), AsciiUpper);
  return PString(std::move(s));
}

PString& PString::Replace(const PString& from, const PString& to, bool all) {
  if (from.IsEmpty()) return *this;
  size_t pos = 0;
  while ((pos = m_text.find(from.m_text, pos)) != std::string::npos) {
    m_text.replace(pos, from.m_text.size(), to.m_text);
    pos += to.m_text.size();
    if (!all) break;
  }
  return *this;
}

long PString::AsInteger(unsigned base) const {
  const long long v = AsInt64(base);
  if (v > LONG_MAX) return LONG_MAX;
  if (v < LONG_MIN) return LONG_MIN;
  return static_cast<long>(v);
}

unsigned long PString::AsUnsigned(unsigned base) const {
  bool negative = false;
  const unsigned long long v = ParseNumber(m_text, base, negative);
  if (negative) return 0;
  return v > ULONG_MAX ? ULONG_MAX : static_cast<unsigned long>(v);
}

long long PString::AsInt64(unsigned base) const {
  bool negative = false;
  const unsigned long long v = ParseNumber(m_text, base, negative);
  constexpr unsigned long long kMaxMagnitude = static_cast<unsigned long long>(LLONG_MAX);
  if (negative) return v > kMaxMagnitude ? LLONG_MIN : -static_cast<long long>(v);
  return v > kMaxMagnitude ? LLONG_MAX : static_cast<long long>(v);
}

PStringArray PString::Tokenise(const PString& separators, bool onePerSeparator) const {
  PStringArray out;
  if (m_text.empty()) return out;
  size_t start = 0;
  while (true) {
    const size_t pos = m_text.find_first_of(separators.m_text, start);
    const std::string field = m_text.substr(start, pos == std::string::npos ? std::string::npos : pos - start);
    if (onePerSeparator || !field.empty()) out.push_back(PString(field));
    if (pos == std::string::npos) break;
    start = pos + 1;
  }
  return out;
}

PString pvsprintf(const char* format, va_list args) {
  if (format == nullptr) return PString();
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (n <= 0) return PString();
  std::string s(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(s.data(), s.size(), format, args);
  s.resize(static_cast<size_t>(n));
  return PString(std::move(s));
}

PString psprintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  PString s = pvsprintf(format, args);
  va_end(args);
  return s;
}
