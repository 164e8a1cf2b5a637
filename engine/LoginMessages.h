// The messages a registration worker posts to the window named in its login block.
#pragma once

#include "platform/win/WinMessages.h"

constexpr UINT WM_LOGIN_REGISTERED = WM_USER + 102;
constexpr UINT WM_LOGIN_REGISTER_FAILED = WM_USER + 103;
