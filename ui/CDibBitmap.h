// CDibBitmap: a screen bitmap filled from a device-independent bitmap (a BITMAPINFO and
// its pixels), reusing the bitmap it holds when the size and the screen's colour depth
// still fit.  Used for captured video frames.
#pragma once
#include "platform/win/DC.h"
#include "platform/win/Dib.h"
#include "platform/win/Gdi.h"

class CDibBitmap : public CBitmap {
 public:
  // The screen context whose colour depth the bitmaps take; null: the screen's own.
  explicit CDibBitmap(CDC* screen = nullptr);
  ~CDibBitmap() override;

  // Makes the bitmap show the DIB (`info` is followed by its colour table and its
  // pixels).  FALSE for a missing or compressed DIB, while the bitmap is selected into
  // the memory context, or when the copy or the creation fails (the object then holds
  // no bitmap).
  BOOL SetFromDIB(const BITMAPINFO* info);
  // Width and height in pixels; (0, 0) without a bitmap.
  CSize GetSize() const;
  // Puts the memory context's previous bitmap back and deletes the context.
  void ReleaseMemDC();

 private:
  CDC m_memDC;
  CBitmap* m_previousBitmap = nullptr;  // non-null while this bitmap is selected into m_memDC
  CDC m_ownScreen;
  CDC* m_screen;
};
