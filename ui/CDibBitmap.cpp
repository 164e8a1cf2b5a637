#include "ui/CDibBitmap.h"

CDibBitmap::CDibBitmap(CDC* screen) : m_screen(screen ? screen : &m_ownScreen) {}

CDibBitmap::~CDibBitmap() {
  ReleaseMemDC();
  DeleteObject();
}

void CDibBitmap::ReleaseMemDC() {
  if (!m_previousBitmap) return;
  m_memDC.SelectObject(m_previousBitmap);
  m_memDC.DeleteDC();
  m_previousBitmap = nullptr;
}

CSize CDibBitmap::GetSize() const {
  BITMAP bm;
  if (!m_hObject || !GetBitmap(&bm)) return CSize(0, 0);
  return CSize(bm.bmWidth, bm.bmHeight);
}

BOOL CDibBitmap::SetFromDIB(const BITMAPINFO* info) {
  if (!info || m_previousBitmap || info->bmiHeader.biCompression != BI_RGB) return FALSE;
  const BITMAPINFOHEADER& header = info->bmiHeader;
  const void* bits = reinterpret_cast<const BYTE*>(info) + DibBitsOffset(header);
  if (m_hObject) {
    BITMAP bm;
    GetBitmap(&bm);
    if (bm.bmWidth == header.biWidth && bm.bmHeight == header.biHeight &&
        m_screen->GetDeviceCaps(BITSPIXEL) == bm.bmBitsPixel) {
      const int lines = SetDIBits(m_screen->GetSafeHdc(), *this, 0, static_cast<UINT>(bm.bmHeight), bits, info,
                                  DIB_RGB_COLORS);
      return lines == bm.bmHeight;
    }
    DeleteObject();
  }
  HBITMAP created = CreateDIBitmap(m_screen->GetSafeHdc(), &header, CBM_INIT, bits, info, DIB_RGB_COLORS);
  if (!created) return FALSE;
  if (!Attach(created)) {
    ::DeleteObject(created);
    return FALSE;
  }
  return TRUE;
}
