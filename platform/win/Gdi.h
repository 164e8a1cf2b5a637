// GDI objects: the handle functions of the system interface and the class library's
// holders (CGdiObject, CPen, CBrush, CFont, CBitmap, CRgn), which delete what they hold.
#pragma once
#include "platform/win/Geometry.h"

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int SYSTEM_FONT = 13;
constexpr int DEFAULT_GUI_FONT = 17;

constexpr int PS_SOLID = 0;
constexpr int PS_NULL = 5;
constexpr int FW_THIN = 100;
constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr int ANSI_CHARSET = 0;
constexpr int DEFAULT_CHARSET = 1;
constexpr int OUT_DEFAULT_PRECIS = 0;
constexpr int OUT_CHARACTER_PRECIS = 2;
constexpr int CLIP_DEFAULT_PRECIS = 0;
constexpr int CLIP_CHARACTER_PRECIS = 1;
constexpr int DEFAULT_QUALITY = 0;
constexpr int DEFAULT_PITCH = 0;

// System colours.
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_INFOTEXT = 23;  // tooltips: text and frame
constexpr int COLOR_INFOBK = 24;    // tooltips: the pale background

// System cursors (LoadCursor with no module).
#define IDC_ARROW reinterpret_cast<const char*>(32512)
#define IDC_IBEAM reinterpret_cast<const char*>(32513)
#define IDC_WAIT reinterpret_cast<const char*>(32514)
#define IDC_HAND reinterpret_cast<const char*>(32649)
#define IDI_APPLICATION reinterpret_cast<const char*>(32512)
// A resource id where a name is expected.
#define MAKEINTRESOURCE(id) reinterpret_cast<const char*>(static_cast<UINT_PTR>(static_cast<WORD>(id)))

struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 1;
  WORD bmBitsPixel = 0;
  void* bmBits = nullptr;
};

struct LOGFONT {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = 0;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = 0;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  char lfFaceName[32] = {};
};

HGDIOBJ GetStockObject(int index);
BOOL DeleteObject(HGDIOBJ object);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HPEN CreatePen(int style, int width, COLORREF color);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                 DWORD quality, DWORD pitchAndFamily, const char* faceName);
inline HFONT CreateFontA(int h, int w, int e, int o, int weight, DWORD i, DWORD u, DWORD s, DWORD cs, DWORD op,
                         DWORD cp, DWORD q, DWORD pf, const char* face) {
  return CreateFont(h, w, e, o, weight, i, u, s, cs, op, cp, q, pf, face);
}
HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
BOOL PtInRegion(HRGN region, int x, int y);
int GetObject(HGDIOBJ object, int size, void* out);
COLORREF GetSysColor(int index);
HBRUSH GetSysColorBrush(int index);
// Bitmaps, icons and cursors of a resource module (null module: the current resources;
// for cursors and icons a null module with IDC_* / IDI_* gives the system's own).
HBITMAP LoadBitmap(HINSTANCE module, const char* name);
HICON LoadIcon(HINSTANCE module, const char* name);
HCURSOR LoadCursor(HINSTANCE module, const char* name);
BOOL DestroyIcon(HICON icon);
BOOL DestroyCursor(HCURSOR cursor);
// A bitmap made from 32-bit pixels 0xAARRGGBB, top row first.
HBITMAP CreateBitmapFromPixels(int width, int height, const std::uint32_t* pixels);

class CGdiObject {
 public:
  CGdiObject() = default;
  virtual ~CGdiObject() { DeleteObject(); }
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;
  HGDIOBJ m_hObject = nullptr;
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  BOOL Attach(HGDIOBJ object);
  HGDIOBJ Detach();
  BOOL DeleteObject();
  BOOL CreateStockObject(int index);
  int GetObject(int size, void* out) const { return ::GetObject(m_hObject, size, out); }
};

class CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
  BOOL CreatePen(int style, int width, COLORREF color);
  operator HPEN() const { return static_cast<HPEN>(m_hObject); }
};

class CBitmap;
class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
  BOOL CreateSolidBrush(COLORREF color);
  BOOL CreatePatternBrush(CBitmap* bitmap);
  operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }
  static CBrush* FromHandle(HBRUSH brush);
};

class CFont : public CGdiObject {
 public:
  BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                  BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                  BYTE quality, BYTE pitchAndFamily, const char* faceName);
  BOOL CreateFontIndirect(const LOGFONT* font);
  // Tenths of a point, at the dialog font's 96 pixels per inch.
  BOOL CreatePointFont(int pointSizeTenths, const char* faceName);
  operator HFONT() const { return static_cast<HFONT>(m_hObject); }
  static CFont* FromHandle(HFONT font);
};

class CBitmap : public CGdiObject {
 public:
  BOOL LoadBitmap(UINT id);
  int GetBitmap(BITMAP* out) const { return GetObject(sizeof(BITMAP), out); }
  CSize GetBitmapDimension() const;
  BOOL CreateCompatibleBitmap(class CDC* dc, int width, int height);
  operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
  static CBitmap* FromHandle(HBITMAP bitmap);
};

class CRgn : public CGdiObject {
 public:
  BOOL CreateRectRgn(int l, int t, int r, int b);
  BOOL CreateRoundRectRgn(int l, int t, int r, int b, int ellipseWidth, int ellipseHeight);
  BOOL CreateEllipticRgn(int l, int t, int r, int b);
  BOOL PtInRegion(int x, int y) const { return ::PtInRegion(static_cast<HRGN>(m_hObject), x, y); }
  operator HRGN() const { return static_cast<HRGN>(m_hObject); }
};
