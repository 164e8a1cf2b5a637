// The texts of the main window's status panel that are computed rather than loaded:
// the available call time and the balance.
#pragma once
#include "platform/core/CString.h"
#include "platform/core/WinTypes.h"

// String ids of the status panel's labels and limits.
constexpr UINT kIdsOver24Hours = 118;
constexpr UINT kIdsOver1000 = 119;
constexpr UINT kIdsBalanceLabel = 160;
constexpr UINT kIdsAvailableTimeLabel = 161;

constexpr DWORD kSecondsPerDay = 86400;
// Longer numbers are cut to this many characters on the number line.
constexpr int kNumberLineMaxChars = 25;

// Seconds as "HH:MM:SS" below a day, string 118 from a day on, and empty for 0.
CString AvailableTimeText(DWORD seconds);

// The balance to show for a text from the gatekeeper: leading white space removed; a
// text that compares above "999" byte by byte becomes string 119; an empty result keeps
// the previous balance.
CString BalanceText(const CString& text, const CString& previous);
