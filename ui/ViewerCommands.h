#pragma once
// The programs the desktop has for web pages and for compiled help files, as the
// registry's "open" commands of the two file types name them.
#include "platform/core/CString.h"
#include "platform/win/WinTypes.h"

// 0 and the program's path, or the registry's error code and an empty path.
LONG GetHtmlOpenCommand(CString& out);
LONG GetChmOpenCommand(CString& out);
