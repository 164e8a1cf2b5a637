// A drop-down combo box whose window paints itself (its own WM_PAINT replaces the box's
// frame and drop button, as a skinned number box does) shown on the screen: a field the
// size of the box's selection field, on which the layer's painting of the window beneath
// and of the box shows through; a frameless entry for the edit field in the colours and
// font of the box's colour answer; and, while the layer's box is dropped, its list as a
// pop-up under the field.
#pragma once
#include <wx/colour.h>
#include <wx/gdicmn.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/Backend.h"
#include "platform/win/WindowState.h"

class wxWindow;
class wxDC;
class wxKeyEvent;

namespace varlo::wx {

// What the peer takes from the backend.
struct SkinComboHooks {
  // The window's place in its top-level window's client area.
  std::function<CPoint(win::WindowState&)> offsetInTop;
  // Paints the top-level window's tree on a device context whose origin lies at `origin`
  // of the top-level window's client area.
  std::function<void(HWND top, wxDC& dc, CPoint origin)> paintBeneath;
  std::function<UINT(const wxKeyEvent&)> keyToVk;
};

// Whether a combo box is shown this way: a drop-down box whose object paints itself.
bool IsSelfPaintedCombo(const win::WindowState& w);

std::unique_ptr<win::IWindowPeer> MakeSelfPaintedComboPeer(win::WindowState& w, wxWindow* canvas, HWND top,
                                                          SkinComboHooks hooks);

// What such a box shows on the screen now, read back from its widgets (for tests).
struct SkinComboLook {
  wxRect field;       // the field, in the top-level window's client area
  wxRect entry;       // the edit field's entry, likewise
  wxColour entryBackground;
  wxColour entryText;
  int fontPixels = 0;
  std::string text;
  bool listShown = false;
  wxRect list;  // the pop-up list on the screen
  std::vector<std::string> items;
};
bool ReadSkinComboLook(HWND combo, SkinComboLook& out);

}  // namespace varlo::wx
