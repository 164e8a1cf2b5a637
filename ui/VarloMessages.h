// The window messages that the worker threads, the stack's threads and the child windows
// send or post to the main window, and the main window's control and command ids.
#pragma once
#include "platform/win/Mixer.h"
#include "platform/win/WinMessages.h"

constexpr UINT WM_VARLO_REGISTERED = WM_USER + 102;
constexpr UINT WM_VARLO_REGISTER_FAILED = WM_USER + 103;
constexpr UINT WM_VARLO_REMOTE_RINGING = WM_USER + 104;
constexpr UINT WM_VARLO_CALL_CONNECTED = WM_USER + 105;
constexpr UINT WM_VARLO_CALL_CLEARED = WM_USER + 106;
constexpr UINT WM_VARLO_DEVICES_CHANGED = WM_USER + 107;
constexpr UINT WM_VARLO_ACCOUNT_LOGIN = WM_USER + 108;
constexpr UINT WM_VARLO_CARD_LOGIN = WM_USER + 109;
constexpr UINT WM_VARLO_BOOK_CLOSED = WM_USER + 110;
constexpr UINT WM_VARLO_AVAILABLE_TIME = WM_USER + 111;
constexpr UINT WM_VARLO_DROP_CALL = WM_USER + 112;
constexpr UINT WM_VARLO_BALANCE = WM_USER + 113;
constexpr UINT WM_VARLO_REGISTER_ERROR = WM_USER + 114;
constexpr UINT WM_VARLO_ADMISSION_ERROR = WM_USER + 115;
constexpr UINT WM_VARLO_UNREGISTER = WM_USER + 116;
constexpr UINT WM_VARLO_QUICKDIAL_CLOSED = WM_USER + 117;
constexpr UINT WM_VARLO_LOG_CLOSED = WM_USER + 118;
// The mixer's notice that one of its controls changed (wParam mixer, lParam control id) is
// MM_MIXM_CONTROL_CHANGE of platform/win/Mixer.h.
// The handset library's callbacks, posted from its thread: a key (wParam: key code) and a
// device change.
constexpr UINT WM_VARLO_PHONE_KEY = WM_APP + 0x110;
constexpr UINT WM_VARLO_PHONE_DEVICE = WM_APP + 0x111;

namespace varlo::ids {
// Main window controls.
constexpr int kCall = 1001;
constexpr int kHomePage = 1002;
constexpr int kMyAccount = 1003;
constexpr int kBook = 1004;
constexpr int kYellowPage = 1005;
constexpr int kExit = 1006;
constexpr int kHelp = 1007;
constexpr int kMinimize = 1008;
constexpr int kKey1 = 1009;  // 1009 to 1017: keys 1 to 9
constexpr int kKey0 = 1018;
constexpr int kKeyStar = 1019;
constexpr int kKeyHash = 1020;
constexpr int kNumberBox = 1022;
constexpr int kBannerStatic = 1025;
constexpr int kSideButton = 1049;
constexpr int kMenuButton = 1051;
constexpr int kHang = 1052;
constexpr int kTalkLog = 1053;
constexpr int kVolumeUp = 1054;
constexpr int kVolumeDown = 1055;
constexpr int kMicUp = 1056;
constexpr int kMicDown = 1057;
constexpr int kCallLamp = 1058;
constexpr int kLineLamp = 1059;
// Commands of the "M" button's menu.
constexpr int kMenuExit = 32775;
constexpr int kMenuAbout = 32776;
constexpr int kMenuMyAccount = 32777;
constexpr int kMenuWizard = 32778;
constexpr int kMenuLog = 32779;
constexpr int kMenuHelp = 32780;
// The system-menu item of the about box.
constexpr UINT kSysCommandAbout = 0x10;
}  // namespace varlo::ids
