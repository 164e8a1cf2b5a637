#include "platform/win/DC.h"

#include <cstring>
#include <map>

#include "platform/win/DrawOp.h"
#include "platform/win/MessageSystem.h"
#include "platform/win/Wnd.h"

using namespace varlo::win;

namespace varlo::win {

namespace {
std::map<HWND, PaintTarget>& Targets() {
  static auto* targets = new std::map<HWND, PaintTarget>();
  return *targets;
}
int CodePoints(const std::string& s) {
  int n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}
}  // namespace

void SetPaintTarget(HWND hwnd, PaintTarget target) { Targets()[hwnd] = target; }
void ClearPaintTarget(HWND hwnd) { Targets().erase(hwnd); }
const PaintTarget* FindPaintTarget(HWND hwnd) {
  auto it = Targets().find(hwnd);
  return it == Targets().end() ? nullptr : &it->second;
}

CSize RecordingSurface::TextExtent(const std::string& text, const FontData& font) {
  return CSize(6 * CodePoints(text), font.PixelHeight());
}

}  // namespace varlo::win

struct CDC::Saved {
  HFONT font;
  HPEN pen;
  HBRUSH brush;
  COLORREF text, bk;
  int mode;
  CPoint origin;
};

CDC::CDC() : m_recording(std::make_unique<RecordingSurface>()) {
  m_hDC = reinterpret_cast<HDC>(this);
  m_font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  m_pen = static_cast<HPEN>(GetStockObject(BLACK_PEN));
  m_brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

CDC::~CDC() = default;

BOOL CDC::CreateCompatibleDC(CDC*) {
  m_memory = true;
  return TRUE;
}

BOOL CDC::DeleteDC() {
  m_bitmap = nullptr;
  return TRUE;
}

IDrawSurface* CDC::Surface() const { return m_surface ? m_surface : m_recording.get(); }

const std::vector<DrawOp>& CDC::RecordedOps() const { return m_recording->ops; }

void CDC::Emit(DrawOp op) {
  if (m_memory) return;  // drawing into memory bitmaps is not kept
  op.brushOrigin = m_brushOrigin;
  Surface()->Draw(op);
}

HGDIOBJ CDC::SelectObject(HGDIOBJ object) {
  auto data = GdiGet(reinterpret_cast<std::uintptr_t>(object));
  HGDIOBJ old = nullptr;
  if (std::dynamic_pointer_cast<FontData>(data)) {
    old = m_font;
    m_font = static_cast<HFONT>(object);
  } else if (std::dynamic_pointer_cast<PenData>(data)) {
    old = m_pen;
    m_pen = static_cast<HPEN>(object);
  } else if (std::dynamic_pointer_cast<BrushData>(data)) {
    old = m_brush;
    m_brush = static_cast<HBRUSH>(object);
  } else if (std::dynamic_pointer_cast<BitmapData>(data)) {
    old = m_bitmap;
    m_bitmap = static_cast<HBITMAP>(object);
  }
  return old;
}

CGdiObject* CDC::SelectObject(CGdiObject* object) {
  if (!object) return nullptr;
  HGDIOBJ old = SelectObject(object->m_hObject);
  auto data = GdiGet(reinterpret_cast<std::uintptr_t>(object->m_hObject));
  if (std::dynamic_pointer_cast<FontData>(data)) return CFont::FromHandle(static_cast<HFONT>(old));
  if (std::dynamic_pointer_cast<BrushData>(data)) return CBrush::FromHandle(static_cast<HBRUSH>(old));
  if (std::dynamic_pointer_cast<BitmapData>(data)) return CBitmap::FromHandle(static_cast<HBITMAP>(old));
  return nullptr;
}
CFont* CDC::SelectObject(CFont* font) {
  return font ? CFont::FromHandle(static_cast<HFONT>(SelectObject(font->m_hObject))) : nullptr;
}
CPen* CDC::SelectObject(CPen* pen) {
  if (!pen) return nullptr;
  static auto* holders = new std::map<HGDIOBJ, std::unique_ptr<CPen>>();
  HGDIOBJ old = SelectObject(pen->m_hObject);
  auto& slot = (*holders)[old];
  if (!slot) slot = std::make_unique<CPen>();
  slot->m_hObject = old;
  return slot.get();
}
CBrush* CDC::SelectObject(CBrush* brush) {
  return brush ? CBrush::FromHandle(static_cast<HBRUSH>(SelectObject(brush->m_hObject))) : nullptr;
}
CBitmap* CDC::SelectObject(CBitmap* bitmap) {
  return bitmap ? CBitmap::FromHandle(static_cast<HBITMAP>(SelectObject(bitmap->m_hObject))) : nullptr;
}
CGdiObject* CDC::SelectStockObject(int index) {
  SelectObject(GetStockObject(index));
  return nullptr;
}

COLORREF CDC::SetTextColor(COLORREF color) {
  COLORREF old = m_textColor;
  m_textColor = color;
  return old;
}
COLORREF CDC::SetBkColor(COLORREF color) {
  COLORREF old = m_bkColor;
  m_bkColor = color;
  return old;
}
int CDC::SetBkMode(int mode) {
  int old = m_bkMode;
  m_bkMode = mode;
  return old;
}

int CDC::SaveDC() {
  m_saved.push_back(std::make_unique<Saved>(Saved{m_font, m_pen, m_brush, m_textColor, m_bkColor, m_bkMode, m_origin}));
  return static_cast<int>(m_saved.size());
}

BOOL CDC::RestoreDC(int saved) {
  const int index = saved < 0 ? static_cast<int>(m_saved.size()) + saved + 1 : saved;
  if (index < 1 || index > static_cast<int>(m_saved.size())) return FALSE;
  const Saved s = *m_saved[static_cast<size_t>(index - 1)];
  m_saved.resize(static_cast<size_t>(index - 1));
  m_font = s.font;
  m_pen = s.pen;
  m_brush = s.brush;
  m_textColor = s.text;
  m_bkColor = s.bk;
  m_bkMode = s.mode;
  m_origin = s.origin;
  return TRUE;
}

CPoint CDC::SetViewportOrg(int x, int y) {
  CPoint old = m_origin;
  m_origin = CPoint(x, y);
  return old;
}

int CDC::GetDeviceCaps(int index) const { return index == BITSPIXEL ? Surface()->BitsPerPixel() : 0; }

BOOL CDC::TextOut(int x, int y, const char* text, int count) {
  if (!text) return FALSE;
  DrawOp op;
  op.kind = DrawOp::Kind::kText;
  op.text.assign(text, count < 0 ? std::strlen(text) : static_cast<size_t>(count));
  op.font = GdiGetAs<FontData>(m_font);
  const CPoint p = Device(x, y);
  const bool boxed = !m_memory && Surface()->WantsTextBoxes();
  const CSize size = boxed ? GetTextExtent(op.text.c_str(), static_cast<int>(op.text.size())) : CSize(0, 0);
  op.rect = CRect(p, size);
  op.color = m_textColor;
  op.bkColor = m_bkColor;
  op.opaque = m_bkMode == OPAQUE;
  Emit(std::move(op));
  return TRUE;
}

int CDC::DrawText(const char* text, int count, LPRECT rect, UINT format) {
  if (!text || !rect) return 0;
  std::string s(text, count < 0 ? std::strlen(text) : static_cast<size_t>(count));
  const CSize size = GetTextExtent(s.c_str(), static_cast<int>(s.size()));
  if (format & DT_CALCRECT) {
    rect->right = rect->left + size.cx;
    rect->bottom = rect->top + size.cy;
    return size.cy;
  }
  DrawOp op;
  op.kind = DrawOp::Kind::kText;
  op.text = std::move(s);
  op.format = format;
  op.font = GdiGetAs<FontData>(m_font);
  CRect r(*rect);
  r.OffsetRect(m_origin.x, m_origin.y);
  op.rect = r;
  op.color = m_textColor;
  op.bkColor = m_bkColor;
  op.opaque = m_bkMode == OPAQUE;
  Emit(std::move(op));
  return size.cy;
}

CSize CDC::GetTextExtent(const char* text, int count) const {
  auto font = GdiGetAs<FontData>(m_font);
  const FontData fallback;
  return Surface()->TextExtent(std::string(text, count < 0 ? std::strlen(text) : static_cast<size_t>(count)),
                               font ? *font : fallback);
}

void CDC::FillRect(LPCRECT rect, HBRUSH brush) {
  auto data = GdiGetAs<BrushData>(brush);
  if (!rect || !data || data->kind == BrushData::Kind::kNull) return;
  DrawOp op;
  op.kind = DrawOp::Kind::kFill;
  CRect r(*rect);
  r.OffsetRect(m_origin.x, m_origin.y);
  op.rect = r;
  op.color = data->color;
  op.brush = data;
  Emit(std::move(op));
}
void CDC::FillRect(LPCRECT rect, CBrush* brush) {
  if (brush) FillRect(rect, static_cast<HBRUSH>(brush->m_hObject));
}
void CDC::FillSolidRect(LPCRECT rect, COLORREF color) {
  if (!rect) return;
  auto data = std::make_shared<BrushData>();
  data->color = color;
  DrawOp op;
  op.kind = DrawOp::Kind::kFill;
  CRect r(*rect);
  r.OffsetRect(m_origin.x, m_origin.y);
  op.rect = r;
  op.color = color;
  op.brush = data;
  Emit(std::move(op));
  m_bkColor = color;  // as the system does
}
void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF color) {
  const CRect r(x, y, x + cx, y + cy);
  FillSolidRect(&r, color);
}
void CDC::FrameRect(LPCRECT rect, CBrush* brush) {
  auto data = brush ? GdiGetAs<BrushData>(brush->m_hObject) : nullptr;
  if (!rect || !data) return;
  DrawOp op;
  op.kind = DrawOp::Kind::kFrame;
  CRect r(*rect);
  r.OffsetRect(m_origin.x, m_origin.y);
  op.rect = r;
  op.color = data->color;
  Emit(std::move(op));
}
void CDC::Draw3dRect(LPCRECT rect, COLORREF topLeft, COLORREF bottomRight) {
  if (!rect) return;
  const CRect r(*rect);
  FillSolidRect(r.left, r.top, r.Width() - 1, 1, topLeft);
  FillSolidRect(r.left, r.top, 1, r.Height() - 1, topLeft);
  FillSolidRect(r.right - 1, r.top, 1, r.Height(), bottomRight);
  FillSolidRect(r.left, r.bottom - 1, r.Width(), 1, bottomRight);
}

BOOL CDC::Rectangle(int l, int t, int r, int b) {
  CRect rect(l, t, r, b);
  FillRect(&rect, m_brush);
  auto pen = GdiGetAs<PenData>(m_pen);
  if (pen && pen->style != PS_NULL) {
    DrawOp op;
    op.kind = DrawOp::Kind::kFrame;
    rect.OffsetRect(m_origin.x, m_origin.y);
    op.rect = rect;
    op.color = pen->color;
    op.penWidth = pen->width;
    Emit(std::move(op));
  }
  return TRUE;
}
BOOL CDC::Ellipse(int l, int t, int r, int b) {
  DrawOp op;
  op.kind = DrawOp::Kind::kEllipse;
  CRect rect(l, t, r, b);
  rect.OffsetRect(m_origin.x, m_origin.y);
  op.rect = rect;
  op.brush = GdiGetAs<BrushData>(m_brush);
  auto pen = GdiGetAs<PenData>(m_pen);
  op.color = pen ? pen->color : 0;
  op.penWidth = pen && pen->style != PS_NULL ? pen->width : 0;
  Emit(std::move(op));
  return TRUE;
}
BOOL CDC::RoundRect(int l, int t, int r, int b, int ew, int eh) {
  DrawOp op;
  op.kind = DrawOp::Kind::kRoundRect;
  CRect rect(l, t, r, b);
  rect.OffsetRect(m_origin.x, m_origin.y);
  op.rect = rect;
  op.corner = CSize(ew, eh);
  op.brush = GdiGetAs<BrushData>(m_brush);
  auto pen = GdiGetAs<PenData>(m_pen);
  op.color = pen ? pen->color : 0;
  op.penWidth = pen && pen->style != PS_NULL ? pen->width : 0;
  Emit(std::move(op));
  return TRUE;
}

CPoint CDC::MoveTo(int x, int y) {
  CPoint old = m_penPos;
  m_penPos = CPoint(x, y);
  return old;
}

BOOL CDC::LineTo(int x, int y) {
  auto pen = GdiGetAs<PenData>(m_pen);
  if (pen && pen->style != PS_NULL) {
    DrawOp op;
    op.kind = DrawOp::Kind::kLine;
    op.from = Device(m_penPos.x, m_penPos.y);
    op.to = Device(x, y);
    op.color = pen->color;
    op.penWidth = pen->width;
    Emit(std::move(op));
  }
  m_penPos = CPoint(x, y);
  return TRUE;
}

BOOL CDC::BitBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, DWORD) {
  if (!source || !source->m_bitmap) return FALSE;
  auto bits = GdiGetAs<BitmapData>(source->m_bitmap);
  if (!bits) return FALSE;
  DrawOp op;
  op.kind = DrawOp::Kind::kBitmap;
  op.rect = CRect(Device(x, y), CSize(width, height));
  op.source = CPoint(sx, sy);
  op.bitmap = bits;
  Emit(std::move(op));
  return TRUE;
}

BOOL CDC::StretchBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, int, int, DWORD rop) {
  return BitBlt(x, y, width, height, source, sx, sy, rop);
}

BOOL CDC::DrawBitmap(int x, int y, HBITMAP bitmap, int width, int height) {
  auto bits = GdiGetAs<BitmapData>(bitmap);
  if (!bits) return FALSE;
  DrawOp op;
  op.kind = DrawOp::Kind::kBitmap;
  op.rect = CRect(Device(x, y), CSize(width < 0 ? bits->width : width, height < 0 ? bits->height : height));
  op.bitmap = bits;
  Emit(std::move(op));
  return TRUE;
}

BOOL CDC::DrawIcon(int x, int y, HICON icon) {
  auto data = GdiGetAs<IconData>(icon);
  if (!data || !data->image) return FALSE;
  DrawOp op;
  op.kind = DrawOp::Kind::kIcon;
  op.rect = CRect(Device(x, y), CSize(data->image->width, data->image->height));
  op.bitmap = data->image;
  Emit(std::move(op));
  return TRUE;
}

// ---------------------------------------------------------------------------------------

namespace {
void AttachTarget(CDC& dc, HWND hwnd) {
  if (const PaintTarget* t = FindPaintTarget(hwnd)) {
    dc.SetSurface(t->surface);
    dc.SetViewportOrg(t->offset.x, t->offset.y);
    dc.SetBrushOrigin(t->offset);
  }
}
}  // namespace

CPaintDC::CPaintDC(CWnd* wnd) : m_wnd(wnd) {
  m_ps.hdc = m_hDC;
  WindowState* w = wnd ? wnd->State() : nullptr;
  if (!w) return;
  AttachTarget(*this, w->hwnd);
  m_ps.rcPaint = w->ClientRect();
  m_ps.fErase = w->eraseBackground;
  w->needsPaint = false;
  if (w->eraseBackground) {
    w->eraseBackground = false;
    MessageSystem::Instance().CallWindow(w->hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(m_hDC), 0);
  }
}

CPaintDC::~CPaintDC() {
  WindowState* w = m_wnd ? m_wnd->State() : nullptr;
  if (w && !m_surface) w->lastPaint = m_recording->ops;
}

CClientDC::CClientDC(CWnd* wnd) : m_wnd(wnd) {
  if (WindowState* w = wnd ? wnd->State() : nullptr) AttachTarget(*this, w->hwnd);
}

CClientDC::~CClientDC() {
  WindowState* w = m_wnd ? m_wnd->State() : nullptr;
  if (w && !m_surface && !m_recording->ops.empty()) {
    w->lastPaint.insert(w->lastPaint.end(), m_recording->ops.begin(), m_recording->ops.end());
  }
}
