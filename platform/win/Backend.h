// What a toolkit backend provides: one peer per window that mirrors the window's state
// to a real widget, and the event loop that drives the message layer.  Without a backend
// the layer runs display-free: windows are plain C++ state and the loop is a condition
// variable (see HeadlessLoop).
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/win/Geometry.h"

class CWnd;

namespace varlo::win {

struct WindowState;
struct FontData;
class MenuData;

// Which part of a window's state changed; a peer brings its widget up to date.
enum Change : unsigned {
  kChangeText = 1u << 0,
  kChangeRect = 1u << 1,
  kChangeVisible = 1u << 2,
  kChangeEnabled = 1u << 3,
  kChangeStyle = 1u << 4,
  kChangeContent = 1u << 5,  // class data: items, check state, position, range, image...
  kChangeZOrder = 1u << 6,   // topmost flag
  kChangeRegion = 1u << 7,
  kChangeFont = 1u << 8,
  kChangeFocus = 1u << 9,
  kChangeIcon = 1u << 10,
  kChangeCursor = 1u << 11,
};

class IWindowPeer {
 public:
  virtual ~IWindowPeer() = default;
  virtual void Sync(WindowState& w, unsigned changes) = 0;
  virtual void Invalidate(const RECT* rect) = 0;
};

class IWindowBackend {
 public:
  virtual ~IWindowBackend() = default;
  // Called after the window's state is complete and its parent's peer exists.
  virtual std::unique_ptr<IWindowPeer> CreatePeer(WindowState& w) = 0;
  virtual CSize ScreenSize() const = 0;
  virtual CPoint CursorPos() const = 0;
  virtual void SetCursor(HCURSOR cursor) = 0;
  // Runs a pop-up menu at a screen point and returns the chosen command, 0 for none.
  virtual UINT TrackPopupMenu(const MenuData& menu, CPoint screen, HWND owner) = 0;
  // Moves a top-level window with the mouse until the button is released.
  virtual void RunMoveLoop(HWND hwnd) = 0;
  // The size of a text in a font as the screen shows it (lines broken at "\n"); none
  // when the backend cannot tell, and the caller estimates.
  virtual std::optional<CSize> TextExtent(const std::string&, const FontData&) const { return std::nullopt; }
  // Another program is about to open a window that the user must see (a web page, the
  // help, a mail): the program's topmost windows stand back until the user turns to one of
  // the program's windows again.
  virtual void YieldTopmost() {}
};

// The event loop under the message layer.  Run() is re-entered for each nested modal
// loop; ExitLevel() ends the innermost one.  Wake() may be called from any thread and
// makes the UI thread call MessageSystem::Pump() soon.
class ILoopDriver {
 public:
  virtual ~ILoopDriver() = default;
  virtual void Run() = 0;
  virtual void ExitLevel() = 0;
  virtual void Wake() = 0;
  // Asks for a Pump() after delayMs (nullopt: no timer pending).  UI thread only.
  virtual void ArmTimer(std::optional<std::int64_t> delayMs) = 0;
  // True when the loop itself must send WM_PAINT (no toolkit paints for it).
  virtual bool PaintsInLoop() const = 0;
};

}  // namespace varlo::win
