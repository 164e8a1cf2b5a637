// The data behind GDI handles (brushes, pens, fonts, bitmaps, regions).  Handles index a
// process-wide table, so a deleted or foreign handle is recognised instead of followed.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/Geometry.h"

namespace varlo::win {

struct GdiData {
  virtual ~GdiData() = default;
};

// A picture: either encoded image file bytes (PNG or BMP, decoded by the backend) or
// 32-bit pixels 0xAARRGGBB, row by row from the top.
struct BitmapData final : GdiData {
  int width = 0;
  int height = 0;
  int bitsPerPixel = 24;
  std::string encoded;
  std::vector<std::uint32_t> pixels;
  int resourceId = 0;  // the bitmap resource it came from, 0 for none
};

struct BrushData final : GdiData {
  enum class Kind { kSolid, kNull, kPattern } kind = Kind::kSolid;
  COLORREF color = 0;
  std::shared_ptr<const BitmapData> pattern;  // tiles from the window's origin
};

struct PenData final : GdiData {
  int style = 0;  // PS_SOLID, PS_NULL
  int width = 1;
  COLORREF color = 0;
};

struct FontData final : GdiData {
  int height = 0;  // pixels; negative means character height, as given
  int width = 0;
  int weight = 400;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  int charSet = 0;
  std::string faceName;
  int PixelHeight() const { return height == 0 ? 13 : (height < 0 ? -height : height); }
};

struct RegionData final : GdiData {
  enum class Kind { kRect, kRoundRect, kEllipse } kind = Kind::kRect;
  CRect bounds;
  int ellipseWidth = 0;  // corner ellipse of a round rectangle
  int ellipseHeight = 0;
  bool Contains(POINT p) const;
};

// The region's pixels within (0, 0) to `size` as rectangles, each the run of a row's
// pixels, with rows whose run is the one of the row above joined to it: a window's shape
// in a few rectangles rather than one per row.
std::vector<CRect> RegionRectangles(const RegionData& region, CSize size);

struct IconData final : GdiData {
  std::shared_ptr<const BitmapData> image;
  POINT hotSpot{};
  int resourceId = 0;
  bool isCursor = false;
  int systemId = 0;  // IDC_ARROW and the like for system cursors
};

// The handle table.  Thread-safe.
std::uintptr_t GdiAdd(std::shared_ptr<GdiData> data);
std::shared_ptr<GdiData> GdiGet(std::uintptr_t handle);
bool GdiDelete(std::uintptr_t handle);
size_t GdiCount();

template <class T, class H>
std::shared_ptr<T> GdiGetAs(H handle) {
  return std::dynamic_pointer_cast<T>(GdiGet(reinterpret_cast<std::uintptr_t>(handle)));
}
template <class H, class T>
H GdiNew(std::shared_ptr<T> data) {
  return reinterpret_cast<H>(GdiAdd(std::move(data)));
}

}  // namespace varlo::win
