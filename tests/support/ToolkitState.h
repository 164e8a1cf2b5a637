// What the toolkit itself says of a control of the window layer, for window tests that
// drive it with simulated input: a click reaches a control only once the toolkit has laid
// it out and shown it, which comes a little after the layer shows it.
#pragma once

#include "platform/win/WinTypes.h"

// Whether the toolkit shows the control `hwnd` (mapped, with a place of its own in its
// window), so that a click at its middle reaches it.
bool ShownByToolkit(HWND hwnd);

// Whether the toolkit shows every control of `parent` that the layer shows (those the
// toolkit draws; the layer draws the others itself).
bool ToolkitShowsControlsOf(HWND parent);
