// String ids of the notices the program gives about its own start.
#pragma once
#include "platform/core/WinTypes.h"

constexpr UINT kIdsProgramTitle = 113;
constexpr UINT kIdsAlreadyRunning = 190;  // a second start
constexpr UINT kIdsListenerTaken = 191;   // the call port is held by another program
