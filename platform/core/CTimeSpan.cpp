#include "platform/core/CTimeSpan.h"

#include <cstdio>

CTimeSpan::CTimeSpan(LONG days, int hours, int minutes, int seconds)
    : m_seconds(((static_cast<LONGLONG>(days) * 24 + hours) * 60 + minutes) * 60 + seconds) {}

CString CTimeSpan::Format(const char* format) const {
  CString out;
  if (format == nullptr) return out;
  char field[32];
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%' || p[1] == '\0') {
      out += *p;
      continue;
    }
    ++p;
    switch (*p) {
      case 'D':
        std::snprintf(field, sizeof field, "%lld", static_cast<long long>(GetDays()));
        out += field;
        break;
      case 'H':
        std::snprintf(field, sizeof field, "%02d", static_cast<int>(GetHours()));
        out += field;
        break;
      case 'M':
        std::snprintf(field, sizeof field, "%02d", static_cast<int>(GetMinutes()));
        out += field;
        break;
      case 'S':
        std::snprintf(field, sizeof field, "%02d", static_cast<int>(GetSeconds()));
        out += field;
        break;
      case '%':
        out += '%';
        break;
      default:
        out += '%';
        out += *p;
        break;
    }
  }
  return out;
}
