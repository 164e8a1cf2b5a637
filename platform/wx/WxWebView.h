// The browser views' backend: a wxWebView (WebKitGTK) on the canvas of the view's
// top-level window, reporting navigations and finished page loads to its CHtmlView.
#pragma once
#include <memory>

#include "platform/win/Backend.h"

class wxWindow;

namespace varlo::wx {
std::unique_ptr<win::IWindowPeer> MakeWebViewPeer(win::WindowState& w, wxWindow* canvas);
}  // namespace varlo::wx
