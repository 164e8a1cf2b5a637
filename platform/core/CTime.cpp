#include "platform/core/CTime.h"

#include <string>

namespace {

constexpr size_t kMaxFormatted = 64 * 1024;

CString FormatTm(const std::tm& tm, const char* format) {
  if (format == nullptr || *format == '\0') return CString();
  // strftime reports 0 both for "too small" and for an empty result; grow a few times and
  // then accept the empty result.
  for (size_t size = 256; size <= kMaxFormatted; size *= 4) {
    std::string out(size, '\0');
    const size_t n = std::strftime(out.data(), out.size(), format, &tm);
    if (n > 0) {
      out.resize(n);
      return CString(std::move(out));
    }
  }
  return CString();
}

}  // namespace

CTime::CTime(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  tm.tm_isdst = -1;
  m_time = std::mktime(&tm);
}

CTime CTime::GetCurrentTime() { return CTime(std::time(nullptr)); }

std::tm CTime::Local() const {
  std::tm tm{};
  localtime_r(&m_time, &tm);
  return tm;
}

CString CTime::Format(const char* format) const { return FormatTm(Local(), format); }

CString CTime::FormatGmt(const char* format) const {
  std::tm tm{};
  gmtime_r(&m_time, &tm);
  return FormatTm(tm, format);
}
