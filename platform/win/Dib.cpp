#include "platform/win/Dib.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "platform/win/DC.h"
#include "platform/win/GdiData.h"

using namespace varlo::win;

namespace {

constexpr std::int64_t kMaxSide = 32767;  // pixels; larger pictures are refused

bool SupportedDepth(WORD bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

std::int64_t PictureHeight(const BITMAPINFOHEADER& h) {
  return h.biHeight < 0 ? -static_cast<std::int64_t>(h.biHeight) : h.biHeight;
}

bool Usable(const BITMAPINFOHEADER& h) {
  return h.biCompression == BI_RGB && SupportedDepth(h.biBitCount) && h.biWidth > 0 && h.biWidth <= kMaxSide &&
         PictureHeight(h) > 0 && PictureHeight(h) <= kMaxSide;
}

std::uint32_t Argb(BYTE r, BYTE g, BYTE b) {
  return 0xFF000000u | (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) | b;
}

BYTE Expand5(unsigned v) { return static_cast<BYTE>((v << 3) | (v >> 2)); }

// One pixel of a row of the DIB as 0xAARRGGBB.
std::uint32_t PixelAt(const BYTE* row, LONG x, const BITMAPINFOHEADER& h, const RGBQUAD* colours, size_t colourCount) {
  auto fromTable = [&](unsigned index) {
    if (index >= colourCount) return Argb(0, 0, 0);
    const RGBQUAD& q = colours[index];
    return Argb(q.rgbRed, q.rgbGreen, q.rgbBlue);
  };
  const size_t ux = static_cast<size_t>(x);
  switch (h.biBitCount) {
    case 1:
      return fromTable((row[ux / 8] >> (7 - ux % 8)) & 1u);
    case 4:
      return fromTable(ux % 2 == 0 ? row[ux / 2] >> 4 : row[ux / 2] & 0x0Fu);
    case 8:
      return fromTable(row[ux]);
    case 16: {
      const unsigned v = row[2 * ux] | (static_cast<unsigned>(row[2 * ux + 1]) << 8);
      return Argb(Expand5((v >> 10) & 31u), Expand5((v >> 5) & 31u), Expand5(v & 31u));
    }
    case 24:
      return Argb(row[3 * ux + 2], row[3 * ux + 1], row[3 * ux]);
    default:
      return Argb(row[4 * ux + 2], row[4 * ux + 1], row[4 * ux]);
  }
}

}  // namespace

size_t DibColourCount(const BITMAPINFOHEADER& h) {
  if (h.biClrUsed != 0) return h.biClrUsed;
  return h.biBitCount <= 8 ? (size_t{1} << h.biBitCount) : 0;
}

size_t DibBitsOffset(const BITMAPINFOHEADER& h) {
  return h.biSize + DibColourCount(h) * sizeof(RGBQUAD);
}

size_t DibRowBytes(const BITMAPINFOHEADER& h) {
  return (static_cast<size_t>(h.biWidth) * h.biBitCount + 31) / 32 * 4;
}

int SetDIBits(HDC, HBITMAP bitmap, UINT startLine, UINT lines, const void* bits, const BITMAPINFO* info, UINT) {
  auto target = GdiGetAs<BitmapData>(bitmap);
  if (!target || !bits || !info || !Usable(info->bmiHeader)) return 0;
  const BITMAPINFOHEADER& h = info->bmiHeader;
  const std::int64_t height = PictureHeight(h);
  if (startLine >= height) return 0;
  const std::int64_t count = std::min<std::int64_t>(lines, height - startLine);
  const auto* colours = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(info) + h.biSize);
  const size_t colourCount = DibColourCount(h);
  const size_t rowBytes = DibRowBytes(h);
  const LONG width = std::min<LONG>(h.biWidth, target->width);
  if (target->pixels.size() != static_cast<size_t>(target->width) * static_cast<size_t>(target->height)) {
    target->pixels.assign(static_cast<size_t>(target->width) * static_cast<size_t>(target->height), 0xFF000000u);
  }
  target->encoded.clear();
  target->resourceId = 0;
  const bool bottomUp = h.biHeight > 0;
  for (std::int64_t s = startLine; s < startLine + count; ++s) {
    // Scan line s is row s in memory; bottom-up pictures keep their bottom row first.
    const std::int64_t y = bottomUp ? height - 1 - s : s;
    if (y >= target->height) continue;
    const BYTE* row = static_cast<const BYTE*>(bits) + static_cast<size_t>(s) * rowBytes;
    std::uint32_t* out = target->pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(target->width);
    for (LONG x = 0; x < width; ++x) out[x] = PixelAt(row, x, h, colours, colourCount);
  }
  return static_cast<int>(count);
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                       UINT usage) {
  if (!header || !Usable(*header)) return nullptr;
  auto data = std::make_shared<BitmapData>();
  data->width = header->biWidth;
  data->height = static_cast<int>(PictureHeight(*header));
  const CDC* device = CDC::FromHandle(dc);
  data->bitsPerPixel = device ? device->GetDeviceCaps(BITSPIXEL) : 24;
  data->pixels.assign(static_cast<size_t>(data->width) * static_cast<size_t>(data->height), 0xFF000000u);
  HBITMAP bitmap = GdiNew<HBITMAP>(data);
  if ((init & CBM_INIT) &&
      SetDIBits(dc, bitmap, 0, static_cast<UINT>(data->height), bits, info ? info : reinterpret_cast<const BITMAPINFO*>(header), usage) !=
          data->height) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}
