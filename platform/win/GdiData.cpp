#include "platform/win/GdiData.h"

#include <mutex>
#include <unordered_map>

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
