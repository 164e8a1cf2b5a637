// Device contexts.  A CDC keeps the selected objects and colours and turns every drawing
// call into DrawOps for its surface: the toolkit's canvas during a real paint, a recording
// surface otherwise (display-free paints keep it on the window for tests to read).
#pragma once
#include <memory>
#include <vector>

#include "platform/core/CString.h"
#include "platform/win/Gdi.h"

namespace varlo::win {
struct DrawOp;
class IDrawSurface;
class RecordingSurface;
struct WindowState;
}  // namespace varlo::win
class CWnd;

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
constexpr int BITSPIXEL = 12;
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;
  RECT rcPaint{};
};

class CDC {
 public:
  CDC();
  virtual ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  HDC m_hDC = nullptr;  // the handle is this object
  HDC GetSafeHdc() const { return m_hDC; }
  static CDC* FromHandle(HDC dc) { return reinterpret_cast<CDC*>(dc); }

  // A memory context: drawing goes to the bitmap selected into it.
  BOOL CreateCompatibleDC(CDC* dc);
  BOOL DeleteDC();

  CGdiObject* SelectObject(CGdiObject* object);
  CFont* SelectObject(CFont* font);
  CPen* SelectObject(CPen* pen);
  CBrush* SelectObject(CBrush* brush);
  CBitmap* SelectObject(CBitmap* bitmap);
  HGDIOBJ SelectObject(HGDIOBJ object);
  CGdiObject* SelectStockObject(int index);
  COLORREF SetTextColor(COLORREF color);
  COLORREF GetTextColor() const { return m_textColor; }
  HFONT GetCurrentFontHandle() const { return m_font; }
  COLORREF SetBkColor(COLORREF color);
  COLORREF GetBkColor() const { return m_bkColor; }
  int SetBkMode(int mode);
  int GetBkMode() const { return m_bkMode; }
  int SaveDC();
  BOOL RestoreDC(int saved);
  CPoint SetViewportOrg(int x, int y);
  CPoint GetViewportOrg() const { return m_origin; }
  int GetDeviceCaps(int index) const;

  BOOL TextOut(int x, int y, const char* text, int count = -1);
  BOOL TextOut(int x, int y, const CString& text) { return TextOut(x, y, text.GetString(), text.GetLength()); }
  int DrawText(const char* text, int count, LPRECT rect, UINT format);
  int DrawText(const CString& text, LPRECT rect, UINT format) {
    return DrawText(text.GetString(), text.GetLength(), rect, format);
  }
  CSize GetTextExtent(const char* text, int count) const;
  CSize GetTextExtent(const CString& text) const { return GetTextExtent(text.GetString(), text.GetLength()); }
  void FillRect(LPCRECT rect, CBrush* brush);
  void FillRect(LPCRECT rect, HBRUSH brush);
  void FillSolidRect(LPCRECT rect, COLORREF color);
  void FillSolidRect(int x, int y, int cx, int cy, COLORREF color);
  void FrameRect(LPCRECT rect, CBrush* brush);
  void Draw3dRect(LPCRECT rect, COLORREF topLeft, COLORREF bottomRight);
  BOOL Rectangle(int l, int t, int r, int b);
  BOOL Ellipse(int l, int t, int r, int b);
  BOOL RoundRect(int l, int t, int r, int b, int ew, int eh);
  CPoint MoveTo(int x, int y);
  BOOL LineTo(int x, int y);
  BOOL BitBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, DWORD rop);
  BOOL StretchBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, int sw, int sh, DWORD rop);
  BOOL DrawIcon(int x, int y, HICON icon);
  // Draws a bitmap at its size (what a bitmap button does with its face).
  BOOL DrawBitmap(int x, int y, HBITMAP bitmap, int width = -1, int height = -1);

  // What this context draws on.  A context without one records.
  void SetSurface(varlo::win::IDrawSurface* surface) { m_surface = surface; }
  varlo::win::IDrawSurface* Surface() const;
  // The pattern-brush origin (the window's origin in device coordinates).
  void SetBrushOrigin(CPoint origin) { m_brushOrigin = origin; }
  // The ops a recording context (no surface) has kept.
  const std::vector<varlo::win::DrawOp>& RecordedOps() const;

 protected:
  void Emit(varlo::win::DrawOp op);
  CPoint Device(int x, int y) const { return CPoint(x + m_origin.x, y + m_origin.y); }

  varlo::win::IDrawSurface* m_surface = nullptr;
  std::unique_ptr<varlo::win::RecordingSurface> m_recording;
  HFONT m_font = nullptr;
  HPEN m_pen = nullptr;
  HBRUSH m_brush = nullptr;
  HBITMAP m_bitmap = nullptr;  // memory contexts
  bool m_memory = false;
  COLORREF m_textColor = 0;
  COLORREF m_bkColor = RGB(255, 255, 255);
  int m_bkMode = OPAQUE;
  CPoint m_origin;
  CPoint m_brushOrigin;
  CPoint m_penPos;
  struct Saved;
  std::vector<std::unique_ptr<Saved>> m_saved;
};

// A paint context for WM_PAINT: validates the window; on a real paint it draws on the
// toolkit's canvas, display-free it records into the window's lastPaint.
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* wnd);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps;

 private:
  CWnd* m_wnd;
};

// A context for drawing outside WM_PAINT.  During a paint of the window it draws on the
// same canvas; otherwise it records and asks for a repaint.
class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* wnd);
  ~CClientDC() override;

 private:
  CWnd* m_wnd;
};

namespace varlo::win {
// The surface of a paint in progress for a window (set by a backend around WM_PAINT),
// and the device offset of the window on it.
struct PaintTarget {
  IDrawSurface* surface = nullptr;
  CPoint offset;
};
void SetPaintTarget(HWND hwnd, PaintTarget target);
void ClearPaintTarget(HWND hwnd);
const PaintTarget* FindPaintTarget(HWND hwnd);
}  // namespace varlo::win
