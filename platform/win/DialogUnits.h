// Dialog units: templates are laid out in units of the 8-point dialog font, whose base
// units are fixed at 6 x 13 pixels (a horizontal unit is a quarter of the base width, a
// vertical one an eighth of the base height), whatever font the toolkit uses.
#pragma once
#include "platform/win/Geometry.h"

namespace varlo::win {

constexpr int kDialogBaseUnitX = 6;   // pixels per four horizontal dialog units
constexpr int kDialogBaseUnitY = 13;  // pixels per eight vertical dialog units

// a * b / c rounded half away from zero, as the system's MulDiv.
constexpr int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const long long p = static_cast<long long>(a) * b;
  const long long half = (c < 0 ? -c : c) / 2;
  const long long q = (p >= 0) == (c > 0) ? (p + (p >= 0 ? half : -half)) / c : (p - (p >= 0 ? half : -half)) / c;
  return static_cast<int>(q);
}

constexpr int DialogUnitsToPixelsX(int units) { return MulDiv(units, kDialogBaseUnitX, 4); }
constexpr int DialogUnitsToPixelsY(int units) { return MulDiv(units, kDialogBaseUnitY, 8); }

inline CRect DialogUnitsToPixels(int x, int y, int cx, int cy) {
  const int left = DialogUnitsToPixelsX(x), top = DialogUnitsToPixelsY(y);
  return CRect(left, top, left + DialogUnitsToPixelsX(cx), top + DialogUnitsToPixelsY(cy));
}

}  // namespace varlo::win
