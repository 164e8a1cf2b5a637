#include "platform/win/Gdi.h"

#include <cstring>
#include <map>
#include <memory>

#include "platform/win/GdiData.h"
#include "platform/win/Resources.h"

using namespace varlo::win;

namespace {

template <class T>
std::uintptr_t Key(T handle) {
  return reinterpret_cast<std::uintptr_t>(handle);
}

HGDIOBJ MakeStock(int index) {
  switch (index) {
    case WHITE_BRUSH:
    case LTGRAY_BRUSH:
    case GRAY_BRUSH:
    case BLACK_BRUSH: {
      auto b = std::make_shared<BrushData>();
      const COLORREF colors[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128), 0, 0};
      b->color = colors[index];
      return reinterpret_cast<HGDIOBJ>(GdiAdd(b));
    }
    case NULL_BRUSH: {
      auto b = std::make_shared<BrushData>();
      b->kind = BrushData::Kind::kNull;
      return reinterpret_cast<HGDIOBJ>(GdiAdd(b));
    }
    case WHITE_PEN:
    case BLACK_PEN:
    case NULL_PEN: {
      auto p = std::make_shared<PenData>();
      p->color = index == WHITE_PEN ? RGB(255, 255, 255) : 0;
      p->style = index == NULL_PEN ? PS_NULL : PS_SOLID;
      return reinterpret_cast<HGDIOBJ>(GdiAdd(p));
    }
    case SYSTEM_FONT:
    case DEFAULT_GUI_FONT: {
      auto f = std::make_shared<FontData>();
      f->height = -11;
      return reinterpret_cast<HGDIOBJ>(GdiAdd(f));
    }
    default:
      return nullptr;
  }
}

struct Stock {
  std::map<int, HGDIOBJ> objects;
  std::map<int, HBRUSH> sysBrushes;
};
Stock& TheStock() {
  static Stock* const stock = new Stock();
  return *stock;
}

// Non-owning holders handed out by FromHandle; they never delete the object.
template <class T>
T* Holder(HGDIOBJ handle) {
  static auto* holders = new std::map<std::uintptr_t, std::unique_ptr<T>>();
  if (!handle) return nullptr;
  auto& slot = (*holders)[Key(handle)];
  if (!slot) slot = std::make_unique<T>();
  slot->m_hObject = handle;
  return slot.get();
}

std::shared_ptr<IconData> SystemCursor(int id) {
  auto icon = std::make_shared<IconData>();
  icon->isCursor = true;
  icon->systemId = id;
  return icon;
}

}  // namespace

HGDIOBJ GetStockObject(int index) {
  Stock& s = TheStock();
  auto it = s.objects.find(index);
  if (it != s.objects.end()) return it->second;
  HGDIOBJ h = MakeStock(index);
  if (h) s.objects[index] = h;
  return h;
}

BOOL DeleteObject(HGDIOBJ object) {
  if (!object) return FALSE;
  for (const auto& [index, h] : TheStock().objects) {
    if (h == object) return TRUE;  // stock objects stay
  }
  for (const auto& [index, h] : TheStock().sysBrushes) {
    if (h == object) return TRUE;
  }
  return GdiDelete(Key(object));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto b = std::make_shared<BrushData>();
  b->color = color;
  return GdiNew<HBRUSH>(b);
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  auto bits = GdiGetAs<BitmapData>(bitmap);
  if (!bits) return nullptr;
  auto b = std::make_shared<BrushData>();
  b->kind = BrushData::Kind::kPattern;
  b->pattern = bits;
  return GdiNew<HBRUSH>(b);
}

HPEN CreatePen(int style, int width, COLORREF color) {
  auto p = std::make_shared<PenData>();
  p->style = style;
  p->width = width < 1 ? 1 : width;
  p->color = color;
  return GdiNew<HPEN>(p);
}

HFONT CreateFont(int height, int width, int, int, int weight, DWORD italic, DWORD underline, DWORD strikeOut,
                 DWORD charSet, DWORD, DWORD, DWORD, DWORD, const char* faceName) {
  auto f = std::make_shared<FontData>();
  f->height = height;
  f->width = width;
  f->weight = weight == 0 ? FW_NORMAL : weight;
  f->italic = italic != 0;
  f->underline = underline != 0;
  f->strikeOut = strikeOut != 0;
  f->charSet = static_cast<int>(charSet);
  f->faceName = faceName ? faceName : "";
  return GdiNew<HFONT>(f);
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto r = std::make_shared<RegionData>();
  r->bounds = CRect(left, top, right, bottom);
  return GdiNew<HRGN>(r);
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
  auto r = std::make_shared<RegionData>();
  r->kind = RegionData::Kind::kRoundRect;
  r->bounds = CRect(left, top, right, bottom);
  r->ellipseWidth = ellipseWidth;
  r->ellipseHeight = ellipseHeight;
  return GdiNew<HRGN>(r);
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  auto r = std::make_shared<RegionData>();
  r->kind = RegionData::Kind::kEllipse;
  r->bounds = CRect(left, top, right, bottom);
  return GdiNew<HRGN>(r);
}

BOOL PtInRegion(HRGN region, int x, int y) {
  auto r = GdiGetAs<RegionData>(region);
  return r && r->Contains(POINT{x, y});
}

int GetObject(HGDIOBJ object, int size, void* out) {
  if (auto b = GdiGetAs<BitmapData>(object)) {
    if (!out || size < static_cast<int>(sizeof(BITMAP))) return 0;
    BITMAP bm;
    bm.bmWidth = b->width;
    bm.bmHeight = b->height;
    bm.bmBitsPixel = static_cast<WORD>(b->bitsPerPixel);
    bm.bmWidthBytes = ((b->width * b->bitsPerPixel + 15) / 16) * 2;
    std::memcpy(out, &bm, sizeof(bm));
    return sizeof(BITMAP);
  }
  return 0;
}

COLORREF GetSysColor(int index) {
  switch (index) {
    case COLOR_WINDOW:
    case COLOR_BTNHIGHLIGHT:
    case COLOR_HIGHLIGHTTEXT:
      return RGB(255, 255, 255);
    case COLOR_HIGHLIGHT:
      return RGB(51, 153, 255);
    case COLOR_BTNFACE:
      return RGB(240, 240, 240);
    case COLOR_BTNSHADOW:
      return RGB(160, 160, 160);
    case COLOR_GRAYTEXT:
      return RGB(109, 109, 109);
    case COLOR_INFOBK:
      return RGB(255, 255, 225);
    default:
      return RGB(0, 0, 0);
  }
}

HBRUSH GetSysColorBrush(int index) {
  Stock& s = TheStock();
  auto it = s.sysBrushes.find(index);
  if (it != s.sysBrushes.end()) return it->second;
  HBRUSH b = CreateSolidBrush(GetSysColor(index));
  s.sysBrushes[index] = b;
  return b;
}

static UINT ResourceId(const char* name) { return static_cast<UINT>(reinterpret_cast<UINT_PTR>(name)); }

HBITMAP LoadBitmap(HINSTANCE module, const char* name) {
  const res::ImageEntry* image = FindImage(module ? module : AfxGetResourceHandle(), ResourceId(name), res::kBitmap);
  if (!image) return nullptr;
  return GdiNew<HBITMAP>(std::const_pointer_cast<BitmapData>(BitmapFromImage(*image)));
}

static HICON LoadIconOrCursor(HINSTANCE module, const char* name, int kind) {
  const UINT id = ResourceId(name);
  if (!module && id >= 32512) return GdiNew<HICON>(SystemCursor(static_cast<int>(id)));
  const res::ImageEntry* image = FindImage(module ? module : AfxGetResourceHandle(), id, kind);
  if (!image) return nullptr;
  auto icon = std::make_shared<IconData>();
  icon->image = BitmapFromImage(*image);
  icon->hotSpot = POINT{image->hotX, image->hotY};
  icon->resourceId = static_cast<int>(id);
  icon->isCursor = kind == res::kCursor;
  return GdiNew<HICON>(icon);
}

HICON LoadIcon(HINSTANCE module, const char* name) { return LoadIconOrCursor(module, name, res::kIcon); }
HCURSOR LoadCursor(HINSTANCE module, const char* name) { return LoadIconOrCursor(module, name, res::kCursor); }
BOOL DestroyIcon(HICON icon) { return GdiDelete(Key(icon)); }
BOOL DestroyCursor(HCURSOR cursor) { return GdiDelete(Key(cursor)); }

HBITMAP CreateBitmapFromPixels(int width, int height, const std::uint32_t* pixels) {
  if (width <= 0 || height <= 0) return nullptr;
  auto b = std::make_shared<BitmapData>();
  b->width = width;
  b->height = height;
  b->bitsPerPixel = 32;
  if (pixels) {
    b->pixels.assign(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height));
  } else {
    b->pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFF000000u);
  }
  return GdiNew<HBITMAP>(b);
}

// ---------------------------------------------------------------------------------------

BOOL CGdiObject::Attach(HGDIOBJ object) {
  if (!object) return FALSE;
  DeleteObject();
  m_hObject = object;
  return TRUE;
}

HGDIOBJ CGdiObject::Detach() {
  HGDIOBJ h = m_hObject;
  m_hObject = nullptr;
  return h;
}

BOOL CGdiObject::DeleteObject() {
  if (!m_hObject) return FALSE;
  HGDIOBJ h = Detach();
  return ::DeleteObject(h);
}

BOOL CGdiObject::CreateStockObject(int index) { return Attach(GetStockObject(index)); }

BOOL CPen::CreatePen(int style, int width, COLORREF color) { return Attach(::CreatePen(style, width, color)); }

BOOL CBrush::CreateSolidBrush(COLORREF color) { return Attach(::CreateSolidBrush(color)); }
BOOL CBrush::CreatePatternBrush(CBitmap* bitmap) {
  return bitmap && Attach(::CreatePatternBrush(static_cast<HBITMAP>(bitmap->m_hObject)));
}
CBrush* CBrush::FromHandle(HBRUSH brush) { return Holder<CBrush>(brush); }

BOOL CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                       BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                       BYTE quality, BYTE pitchAndFamily, const char* faceName) {
  return Attach(::CreateFont(height, width, escapement, orientation, weight, italic, underline, strikeOut, charSet,
                             outPrecision, clipPrecision, quality, pitchAndFamily, faceName));
}
BOOL CFont::CreateFontIndirect(const LOGFONT* f) {
  if (!f) return FALSE;
  return CreateFont(f->lfHeight, f->lfWidth, f->lfEscapement, f->lfOrientation, f->lfWeight, f->lfItalic,
                    f->lfUnderline, f->lfStrikeOut, f->lfCharSet, f->lfOutPrecision, f->lfClipPrecision,
                    f->lfQuality, f->lfPitchAndFamily, f->lfFaceName);
}
BOOL CFont::CreatePointFont(int pointSizeTenths, const char* faceName) {
  const int pixels = (pointSizeTenths * 96 + 360) / 720;
  return CreateFont(-pixels, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, faceName);
}
CFont* CFont::FromHandle(HFONT font) { return Holder<CFont>(font); }

BOOL CBitmap::LoadBitmap(UINT id) {
  HBITMAP h = ::LoadBitmap(nullptr, MAKEINTRESOURCE(id));
  if (!h) return FALSE;
  return Attach(h);
}
CSize CBitmap::GetBitmapDimension() const {
  auto b = GdiGetAs<BitmapData>(m_hObject);
  return b ? CSize(b->width, b->height) : CSize(0, 0);
}
BOOL CBitmap::CreateCompatibleBitmap(CDC*, int width, int height) {
  return Attach(CreateBitmapFromPixels(width, height, nullptr));
}
CBitmap* CBitmap::FromHandle(HBITMAP bitmap) { return Holder<CBitmap>(bitmap); }

BOOL CRgn::CreateRectRgn(int l, int t, int r, int b) { return Attach(::CreateRectRgn(l, t, r, b)); }
BOOL CRgn::CreateRoundRectRgn(int l, int t, int r, int b, int ew, int eh) {
  return Attach(::CreateRoundRectRgn(l, t, r, b, ew, eh));
}
BOOL CRgn::CreateEllipticRgn(int l, int t, int r, int b) { return Attach(::CreateEllipticRgn(l, t, r, b)); }
