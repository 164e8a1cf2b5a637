// The places a top-level window was asked to take, kept to read the window system's reports
// of where it shows the window.  The layer asks for a place, the window system shows the
// window there a little later, in its own time, and may still report earlier requests after
// later ones were made.  A report of one of the requests still on their way, or of the
// place shown before them, is an echo: the layer's rectangle already says where the window
// goes, and taking the report would put a stale place back over it.  Any other report is the
// window system's own doing (a window manager that placed the window, the user's drag of its
// frame), and the layer takes that.
#pragma once
#include <cstddef>
#include <deque>
#include <optional>

#include "platform/win/Geometry.h"

namespace varlo::win {

class PlacementRequests {
 public:
  // The window was asked to show its client area at origin.
  void Asked(CPoint origin);
  // The window system shows the client area at origin: the place to take, or nothing for
  // an echo.
  std::optional<CPoint> Reported(CPoint origin);

 private:
  // Requests of a window that the window system does not answer stop piling up here; the
  // oldest go.
  static constexpr std::size_t kMaxPending = 256;

  std::optional<CPoint> m_shown;  // the last place reported or taken
  std::deque<CPoint> m_pending;   // asked for and not reported yet, oldest first
};

}  // namespace varlo::win
