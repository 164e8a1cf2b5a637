#include "platform/core/CString.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kWhiteSpace = " \t\n\v\f\r";

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int Sign(int v) { return (v > 0) - (v < 0); }

}  // namespace

CString::CString(const char* text) {
  if (text != nullptr) m_data = text;
}

CString::CString(const char* text, int length) {
  if (text != nullptr && length > 0) m_data.assign(text, static_cast<size_t>(length));
}

CString::CString(char ch, int repeat) {
  if (repeat > 0) m_data.assign(static_cast<size_t>(repeat), ch);
}

CString& CString::operator=(const char* text) {
  if (text == nullptr) {
    m_data.clear();
  } else {
    m_data = text;  // std::string handles assignment from its own buffer
  }
  return *this;
}

CString& CString::operator=(char ch) {
  m_data.assign(1, ch);
  return *this;
}

char CString::GetAt(int index) const {
  if (index < 0 || index >= GetLength()) return '\0';
  return m_data[static_cast<size_t>(index)];
}

void CString::SetAt(int index, char ch) {
  if (index < 0 || index >= GetLength()) return;
  m_data[static_cast<size_t>(index)] = ch;
}

CString& CString::operator+=(const CString& other) {
  m_data += other.m_data;
  return *this;
}

CString& CString::operator+=(const char* text) {
  if (text != nullptr) m_data += text;
  return *this;
}

CString& CString::operator+=(char ch) {
  m_data += ch;
  return *this;
}

void CString::Format(const char* format, ...) {
  if (format == nullptr) {
    m_data.clear();
    return;
  }
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int needed = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string out;
  if (needed > 0) {
    out.resize(static_cast<size_t>(needed) + 1);
    std::vsnprintf(out.data(), out.size(), format, again);
    out.resize(static_cast<size_t>(needed));
  }
  va_end(again);
  m_data = std::move(out);
}

CString CString::Left(int count) const {
  count = std::clamp(count, 0, GetLength());
  return CString(m_data.substr(0, static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
  count = std::clamp(count, 0, GetLength());
  return CString(m_data.substr(static_cast<size_t>(GetLength() - count)));
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
  first = std::clamp(first, 0, GetLength());
  count = std::clamp(count, 0, GetLength() - first);
  return CString(m_data.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

int CString::Find(char ch, int start) const {
  if (start < 0 || start >= GetLength()) return -1;
  const size_t pos = m_data.find(ch, static_cast<size_t>(start));
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const char* sub, int start) const {
  if (sub == nullptr || start < 0 || start > GetLength()) return -1;
  const size_t pos = m_data.find(sub, static_cast<size_t>(start));
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(char ch) const {
  const size_t pos = m_data.rfind(ch);
  return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Replace(char from, char to) {
  int count = 0;
  for (char& c : m_data) {
    if (c == from) {
      c = to;
      ++count;
    }
  }
  return count;
}

int CString::Replace(const char* from, const char* to) {
  if (from == nullptr || *from == '\0') return 0;
  const std::string_view pattern(from);
  const std::string_view replacement(to != nullptr ? to : "");
  std::string out;
  int count = 0;
  size_t pos = 0;
  for (;;) {
    const size_t hit = m_data.find(pattern, pos);
    if (hit == std::string::npos) break;
    out.append(m_data, pos, hit - pos);
    out.append(replacement);
    pos = hit + pattern.size();
    ++count;
  }
  if (count == 0) return 0;
  out.append(m_data, pos, std::string::npos);
  m_data = std::move(out);
  return count;
}

int CString::Insert(int index, char ch) {
  index = std::clamp(index, 0, GetLength());
  m_data.insert(static_cast<size_t>(index), 1, ch);
  return GetLength();
}

int CString::Insert(int index, const char* text) {
  if (text == nullptr) return GetLength();
  index = std::clamp(index, 0, GetLength());
  m_data.insert(static_cast<size_t>(index), text);
  return GetLength();
}

int CString::Delete(int index, int count) {
  if (index < 0 || index >= GetLength() || count <= 0) return GetLength();
  count = std::min(count, GetLength() - index);
  m_data.erase(static_cast<size_t>(index), static_cast<size_t>(count));
  return GetLength();
}

CString& CString::TrimLeft() { return TrimLeft(kWhiteSpace); }

CString& CString::TrimLeft(char target) {
  const char targets[2] = {target, '\0'};
  if (target == '\0') return *this;
  return TrimLeft(targets);
}

CString& CString::TrimLeft(const char* targets) {
  if (targets == nullptr) return *this;
  const size_t pos = m_data.find_first_not_of(targets);
  m_data.erase(0, pos == std::string::npos ? m_data.size() : pos);
  return *this;
}

CString& CString::TrimRight() { return TrimRight(kWhiteSpace); }

CString& CString::TrimRight(char target) {
  const char targets[2] = {target, '\0'};
  if (target == '\0') return *this;
  return TrimRight(targets);
}

CString& CString::TrimRight(const char* targets) {
  if (targets == nullptr) return *this;
  const size_t pos = m_data.find_last_not_of(targets);
  m_data.erase(pos == std::string::npos ? 0 : pos + 1);
  return *this;
}

CString& CString::MakeUpper() {
  for (char& c : m_data) c = AsciiUpper(c);
  return *this;
}

CString& CString::MakeLower() {
  for (char& c : m_data) c = AsciiLower(c);
  return *this;
}

int CString::Compare(const char* other) const {
  return Sign(m_data.compare(other != nullptr ? other : ""));
}

int CString::CompareNoCase(const char* other) const {
  const std::string_view b(other != nullptr ? other : "");
  const size_t n = std::min(m_data.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(AsciiLower(m_data[i]));
    const auto y = static_cast<unsigned char>(AsciiLower(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (m_data.size() == b.size()) return 0;
  return m_data.size() < b.size() ? -1 : 1;
}

CString operator+(const CString& a, const CString& b) { return CString(a.Str() + b.Str()); }
CString operator+(const CString& a, const char* b) {
  CString r(a);
  r += b;
  return r;
}
CString operator+(const char* a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}
CString operator+(const CString& a, char b) {
  CString r(a);
  r += b;
  return r;
}
CString operator+(char a, const CString& b) {
  CString r(a);
  r += b;
  return r;
}

bool operator==(const CString& a, const CString& b) { return a.Str() == b.Str(); }
bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
bool operator!=(const CString& a, const CString& b) { return !(a == b); }
bool operator!=(const CString& a, const char* b) { return !(a == b); }
bool operator!=(const char* a, const CString& b) { return !(a == b); }
bool operator<(const CString& a, const CString& b) { return a.Str() < b.Str(); }
bool operator<(const CString& a, const char* b) { return a.Compare(b) < 0; }
bool operator<(const char* a, const CString& b) { return b.Compare(a) > 0; }
bool operator>(const CString& a, const CString& b) { return b < a; }
bool operator<=(const CString& a, const CString& b) { return !(b < a); }
bool operator>=(const CString& a, const CString& b) { return !(a < b); }
