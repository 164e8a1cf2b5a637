// The capture window's messages.  A capture window answers them for its driver: the
// format messages carry a BITMAPINFOHEADER (wParam its size, lParam its address).
#pragma once

#include "platform/win/WinMessages.h"

constexpr UINT WM_CAP_START = WM_USER;
constexpr UINT WM_CAP_SET_CALLBACK_FRAME = WM_CAP_START + 5;
constexpr UINT WM_CAP_DRIVER_DISCONNECT = WM_CAP_START + 11;
constexpr UINT WM_CAP_GET_VIDEOFORMAT = WM_CAP_START + 44;
constexpr UINT WM_CAP_SET_VIDEOFORMAT = WM_CAP_START + 45;
constexpr UINT WM_CAP_GRAB_FRAME_NOSTOP = WM_CAP_START + 61;
