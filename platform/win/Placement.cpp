#include "platform/win/Placement.h"

#include <algorithm>
#include <array>

namespace varlo::win {
namespace {

constexpr int kGap = 8;  // pixels between a window and its owner: room for both frames

bool OnScreen(const CRect& r, const CSize& screen) {
  return r.left >= 0 && r.top >= 0 && r.right <= screen.cx && r.bottom <= screen.cy;
}

}  // namespace

CRect KeptOnScreen(const CRect& window, const CSize& screen) {
  CRect r = window;
  if (r.right > screen.cx) r.OffsetRect(screen.cx - r.right, 0);
  if (r.bottom > screen.cy) r.OffsetRect(0, screen.cy - r.bottom);
  if (r.left < 0) r.OffsetRect(-r.left, 0);
  if (r.top < 0) r.OffsetRect(0, -r.top);
  return r;
}

CRect BesideOwner(const CRect& window, const CRect& owner, const CSize& screen) {
  CRect overlap;
  if (!overlap.IntersectRect(window, owner)) return window;
  const int w = window.Width(), h = window.Height();
  // Along the side, the window keeps its own place as far as the screen allows.
  const int top = std::clamp(static_cast<int>(window.top), 0, std::max(0, static_cast<int>(screen.cy) - h));
  const int left = std::clamp(static_cast<int>(window.left), 0, std::max(0, static_cast<int>(screen.cx) - w));
  const std::array<CRect, 4> sides = {
      CRect(owner.right + kGap, top, owner.right + kGap + w, top + h),
      CRect(owner.left - kGap - w, top, owner.left - kGap, top + h),
      CRect(left, owner.bottom + kGap, left + w, owner.bottom + kGap + h),
      CRect(left, owner.top - kGap - h, left + w, owner.top - kGap),
  };
  for (const CRect& r : sides) {
    if (OnScreen(r, screen)) return r;
  }
  return window;
}

}  // namespace varlo::win
