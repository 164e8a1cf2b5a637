// CPoint, CSize and CRect: value types over POINT, SIZE and RECT.
#pragma once
#include "platform/win/WinTypes.h"

class CPoint : public POINT {
 public:
  CPoint() = default;
  CPoint(int px, int py) { x = px; y = py; }
  CPoint(POINT p) : POINT(p) {}
  explicit CPoint(LPARAM l) { x = GET_X_LPARAM(l); y = GET_Y_LPARAM(l); }
  void Offset(int dx, int dy) { x += dx; y += dy; }
  bool operator==(const CPoint& o) const { return x == o.x && y == o.y; }
  CPoint operator+(const POINT& o) const { return CPoint(x + o.x, y + o.y); }
  CPoint operator-(const POINT& o) const { return CPoint(x - o.x, y - o.y); }
};

class CSize : public SIZE {
 public:
  CSize() = default;
  CSize(int w, int h) { cx = w; cy = h; }
  CSize(SIZE s) : SIZE(s) {}
  bool operator==(const CSize& o) const { return cx == o.cx && cy == o.cy; }
};

class CRect : public RECT {
 public:
  CRect() = default;
  CRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
  CRect(const RECT& r) : RECT(r) {}
  CRect(POINT p, SIZE s) { left = p.x; top = p.y; right = p.x + s.cx; bottom = p.y + s.cy; }
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  CSize Size() const { return CSize(Width(), Height()); }
  CPoint TopLeft() const { return CPoint(left, top); }
  CPoint BottomRight() const { return CPoint(right, bottom); }
  bool IsRectEmpty() const { return right <= left || bottom <= top; }
  bool PtInRect(POINT p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  void OffsetRect(int dx, int dy) { left += dx; right += dx; top += dy; bottom += dy; }
  void SetRect(int l, int t, int r, int b) { left = l; top = t; right = r; bottom = b; }
  bool IntersectRect(const RECT& a, const RECT& b);
  void UnionRect(const RECT& a, const RECT& b);
  bool operator==(const CRect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  operator LPRECT() { return this; }
  operator LPCRECT() const { return this; }
};

inline bool CRect::IntersectRect(const RECT& a, const RECT& b) {
  left = a.left > b.left ? a.left : b.left;
  top = a.top > b.top ? a.top : b.top;
  right = a.right < b.right ? a.right : b.right;
  bottom = a.bottom < b.bottom ? a.bottom : b.bottom;
  if (IsRectEmpty()) {
    SetRect(0, 0, 0, 0);
    return false;
  }
  return true;
}

inline void CRect::UnionRect(const RECT& a, const RECT& b) {
  const CRect ra(a), rb(b);
  if (ra.IsRectEmpty()) { *this = rb; return; }
  if (rb.IsRectEmpty()) { *this = ra; return; }
  left = a.left < b.left ? a.left : b.left;
  top = a.top < b.top ? a.top : b.top;
  right = a.right > b.right ? a.right : b.right;
  bottom = a.bottom > b.bottom ? a.bottom : b.bottom;
}
