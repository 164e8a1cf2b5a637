// A tooltip window of the layer shown on the screen: a small pop-up with a pale face, a
// thin frame and the tip's text, shown, moved and hidden as the layer's tooltip window
// is (the layer decides when and where a tip shows).
#pragma once
#include <wx/gdicmn.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/win/Backend.h"
#include "platform/win/WindowState.h"

class wxWindow;

namespace varlo::wx {

// parentFor: the toolkit window the pop-up belongs to (the frame of the tooltip's owner),
// asked when the tip first shows; null while there is none.
std::unique_ptr<win::IWindowPeer> MakeTooltipPeer(win::WindowState& w, std::function<wxWindow*(HWND)> parentFor);

// The tip on the screen now, read back from its pop-up (for tests).
struct TooltipLook {
  std::string text;
  wxRect rect;  // on the screen
};
// False when no tip is shown.
bool ReadShownTooltip(TooltipLook& out);

}  // namespace varlo::wx
