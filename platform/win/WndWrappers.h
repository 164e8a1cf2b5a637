// The object the layer makes for a window nobody attached one to (GetDlgItem and
// FromHandle), of the class library's type for the window's class.
#pragma once
#include <memory>
#include <string_view>

class CWnd;

namespace varlo::win {
std::unique_ptr<CWnd> MakeWrapper(std::string_view className);
}
