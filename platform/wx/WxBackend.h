// The wxWidgets backend: real windows for the layer's windows, and the layer's loop run on
// wxWidgets' event loops.  Top-level windows are frames with one canvas on which the
// layer draws the window and its drawn-by-layer controls (labels, owner-drawn buttons,
// group boxes); edits, combo and list boxes, list views, sliders, progress bars and plain
// buttons are toolkit widgets on that canvas.
#pragma once
#include <memory>

#include "platform/win/Backend.h"

namespace varlo::wx {

// Creates the backend once wxWidgets runs (after wxEntryStart or inside wxApp::OnInit)
// and makes it the layer's backend and loop (MessageSystem::Reset).
void InstallBackend();
bool BackendInstalled();


}  // namespace varlo::wx
class wxWindow;
class wxBitmap;
namespace varlo::wx {
// The frame of a top-level window, null when there is none.
wxWindow* FrameOf(HWND hwnd);
// The toolkit widget that shows a control the toolkit draws (an edit, a list...), or null.
wxWindow* NativeWidgetOf(HWND hwnd);
// What the window shows on the screen now, read back from the X server.
bool CaptureWindow(HWND hwnd, wxBitmap& out);
// What the X server shows in a rectangle of the screen (the parts off the screen black).
bool CaptureScreen(const RECT& area, wxBitmap& out);
}  // namespace varlo::wx

// The framework's entry for the program: runs wxWidgets and, in it, the application
// object (varlo::win::RunApplication); returns the exit code.
int AfxWinMain(int argc, char** argv);
