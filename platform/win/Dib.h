// Device-independent bitmaps: a BITMAPINFO header (and colour table) followed by rows of
// pixels, bottom row first unless biHeight is negative; each row padded to 4 bytes.
#pragma once
#include <cstddef>

#include "platform/win/Gdi.h"

struct BITMAPINFOHEADER {
  DWORD biSize = 40;
  LONG biWidth = 0;
  LONG biHeight = 0;  // negative: the top row comes first
  WORD biPlanes = 1;
  WORD biBitCount = 0;
  DWORD biCompression = 0;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};

struct RGBQUAD {
  BYTE rgbBlue = 0;
  BYTE rgbGreen = 0;
  BYTE rgbRed = 0;
  BYTE rgbReserved = 0;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr DWORD CBM_INIT = 4;

// Entries of the colour table that follows the header: biClrUsed, or all 2^n colours of
// an n-bit (n <= 8) picture when biClrUsed is 0.
size_t DibColourCount(const BITMAPINFOHEADER& header);
// Where the pixels start, counted from the start of the header.
size_t DibBitsOffset(const BITMAPINFOHEADER& header);
// Bytes of one row of pixels (rows are padded to 4 bytes).
size_t DibRowBytes(const BITMAPINFOHEADER& header);

// Copies `lines` rows of an uncompressed DIB, starting with the DIB's bottom row plus
// startLine, into the bitmap; returns the rows copied (0 on failure).  The bitmap must
// have the DIB's width.
int SetDIBits(HDC dc, HBITMAP bitmap, UINT startLine, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT usage);
// A bitmap of the device's colour depth and the header's size, filled from the DIB when
// init holds CBM_INIT.  Null for a compressed DIB or an unsupported depth.
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                       UINT usage);
