#pragma once
// Where a top-level window opens: on the screen, and a modeless window beside its owner.
#include "platform/win/Geometry.h"

namespace varlo::win {

// The window moved onto the screen as far as it fits there (its top left stays on the
// screen when it is larger).
CRect KeptOnScreen(const CRect& window, const CSize& screen);

// A modeless window that would cover its owner moved beside it, with a gap for the window
// manager's frames: to its right, else to its left, else below, else above, keeping the
// window's place along that side, wherever the screen has room; else where it was.
CRect BesideOwner(const CRect& window, const CRect& owner, const CSize& screen);

}  // namespace varlo::win
