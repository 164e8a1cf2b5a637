#include "ui/StatusTexts.h"

#include "platform/win/Resources.h"

namespace {

constexpr DWORD kSecondsPerHour = 3600;
constexpr DWORD kSecondsPerMinute = 60;

// A time part in decimal with a "0" in front below 10.
CString TwoDigits(DWORD value) {
  CString text;
  text.Format("%s%d", value < 10 ? "0" : "", static_cast<int>(value));
  return text;
}

}  // namespace

CString AvailableTimeText(DWORD seconds) {
  if (seconds >= kSecondsPerDay) return AfxLoadString(kIdsOver24Hours);
  if (seconds == 0) return CString();
  CString text;
  text.Format("%s:%s:%s", TwoDigits(seconds / kSecondsPerHour).GetString(),
              TwoDigits((seconds % kSecondsPerHour) / kSecondsPerMinute).GetString(),
              TwoDigits(seconds % kSecondsPerMinute).GetString());
  return text;
}

CString BalanceText(const CString& text, const CString& previous) {
  CString balance = text;
  balance.TrimLeft();
  if (balance.Compare("999") > 0) balance = AfxLoadString(kIdsOver1000);
  if (balance.IsEmpty()) balance = previous;
  return balance;
}
