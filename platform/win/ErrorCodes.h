#pragma once
// System error codes that the registry and program start-up functions return, beside
// those of Startup.h.
#include "platform/win/Startup.h"

constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
