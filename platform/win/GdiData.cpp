#include "platform/win/GdiData.h"

#include <algorithm>
#include <cmath>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace varlo::win {
namespace {

struct Table {
  std::mutex mutex;
  std::unordered_map<std::uintptr_t, std::shared_ptr<GdiData>> objects;
  std::uintptr_t next = 0x10000;
};

Table& TheTable() {
  static Table* const table = new Table();  // outlives every static holder of a handle
  return *table;
}

}  // namespace

bool RegionData::Contains(POINT p) const {
  if (!bounds.PtInRect(p)) return false;
  auto inEllipse = [](double px, double py, double cx, double cy, double rx, double ry) {
    const double dx = (px - cx) / rx, dy = (py - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
  };
  // Pixel centres are tested, as the system does for the region's edge.
  const double x = p.x + 0.5, y = p.y + 0.5;
  switch (kind) {
    case Kind::kRect:
      return true;
    case Kind::kEllipse:
      return inEllipse(x, y, (bounds.left + bounds.right) / 2.0, (bounds.top + bounds.bottom) / 2.0,
                       bounds.Width() / 2.0, bounds.Height() / 2.0);
    case Kind::kRoundRect: {
      const double rx = ellipseWidth / 2.0, ry = ellipseHeight / 2.0;
      if (rx <= 0 || ry <= 0) return true;
      const double l = bounds.left + rx, r = bounds.right - rx, t = bounds.top + ry, b = bounds.bottom - ry;
      const double cx = x < l ? l : (x > r ? r : x);
      const double cy = y < t ? t : (y > b ? b : y);
      if (cx == x || cy == y) return true;  // within the straight parts
      return inEllipse(x, y, cx, cy, rx, ry);
    }
  }
  return false;
}

namespace {

// A round rectangle's corners that overlap (wider or taller than half the box) make a
// shape that is not symmetric; every other region is.
bool Symmetric(const RegionData& region) {
  return region.kind != RegionData::Kind::kRoundRect ||
         (region.ellipseWidth <= region.bounds.Width() && region.ellipseHeight <= region.bounds.Height());
}

using Run = std::pair<int, int>;  // [first, past the last)

// The runs of row y within [0, width), found pixel by pixel.
void ScanRow(const RegionData& region, int y, int width, std::vector<Run>& runs) {
  int x = 0;
  while (x < width) {
    while (x < width && !region.Contains(POINT{x, y})) ++x;
    const int start = x;
    while (x < width && region.Contains(POINT{x, y})) ++x;
    if (x > start) runs.emplace_back(start, x);
  }
}

// The same for a convex region symmetric about its centre: one run at most, around the
// middle column (when any pixel of the row is inside, the middle one is), its ends found by
// halving.
void HalveRow(const RegionData& region, int y, int width, std::vector<Run>& runs) {
  const int low = std::max(0, region.bounds.left);
  const int high = std::min(width, region.bounds.right);
  if (low >= high) return;
  const int middle =
      std::clamp(static_cast<int>(std::floor((region.bounds.left + region.bounds.right) / 2.0)), low, high - 1);
  if (!region.Contains(POINT{middle, y})) return;
  int lo = low, hi = middle;  // the first inside column is in [lo, hi]
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (region.Contains(POINT{mid, y})) hi = mid; else lo = mid + 1;
  }
  const int first = lo;
  lo = middle + 1;
  hi = high;  // the first outside column is in [lo, hi]
  while (lo < hi) {
    const int mid = lo + (hi - lo) / 2;
    if (region.Contains(POINT{mid, y})) lo = mid + 1; else hi = mid;
  }
  runs.emplace_back(first, lo);
}

}  // namespace

std::vector<CRect> RegionRectangles(const RegionData& region, CSize size) {
  const bool symmetric = Symmetric(region);
  std::vector<CRect> out;
  std::vector<Run> above, runs;
  size_t aboveFirst = 0;  // where the rectangles of the row above start in `out`
  for (int y = 0; y < size.cy; ++y) {
    runs.clear();
    if (symmetric) HalveRow(region, y, size.cx, runs); else ScanRow(region, y, size.cx, runs);
    if (runs == above) {
      for (size_t i = aboveFirst; i < out.size(); ++i) out[i].bottom = y + 1;
      continue;
    }
    aboveFirst = out.size();
    for (const Run& r : runs) out.emplace_back(r.first, y, r.second, y + 1);
    above.swap(runs);
  }
  return out;
}

std::uintptr_t GdiAdd(std::shared_ptr<GdiData> data) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  const std::uintptr_t h = t.next++;
  t.objects.emplace(h, std::move(data));
  return h;
}

std::shared_ptr<GdiData> GdiGet(std::uintptr_t handle) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  auto it = t.objects.find(handle);
  return it == t.objects.end() ? nullptr : it->second;
}

bool GdiDelete(std::uintptr_t handle) {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  return t.objects.erase(handle) != 0;
}

size_t GdiCount() {
  Table& t = TheTable();
  std::lock_guard lock(t.mutex);
  return t.objects.size();
}

}  // namespace varlo::win
