#include "setup/CFrameGrabberDoc.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <cstdlib>
#include <vector>

#include "platform/win/Controls.h"
#include "platform/win/MessageBox.h"
#include "platform/win/WinStyles.h"

namespace {

constexpr WPARAM kImageBitmap = 0;  // IMAGE_BITMAP

constexpr DWORD FourCC(char a, char b, char c, char d) {
  return static_cast<DWORD>(static_cast<BYTE>(a)) | (static_cast<DWORD>(static_cast<BYTE>(b)) << 8) |
         (static_cast<DWORD>(static_cast<BYTE>(c)) << 16) | (static_cast<DWORD>(static_cast<BYTE>(d)) << 24);
}

// The YUV layouts capture drivers commonly deliver: packed 4:2:2 (two pixels in four
// bytes) and planar 4:2:0 (a full-size luma plane and two quarter-size chroma planes).
bool IsPacked422(DWORD compression) {
  return compression == FourCC('Y', 'U', 'Y', '2') || compression == FourCC('U', 'Y', 'V', 'Y') ||
         compression == FourCC('Y', 'V', 'Y', 'U');
}
bool IsPlanar420(DWORD compression) {
  return compression == FourCC('I', '4', '2', '0') || compression == FourCC('I', 'Y', 'U', 'V') ||
         compression == FourCC('Y', 'V', '1', '2') || compression == FourCC('N', 'V', '1', '2');
}

// The bytes of pixels that a header describes.  A frame of another compression states its
// own size, 0 when it does not.
uint64_t PixelBytes(const BITMAPINFOHEADER& h) {
  const uint64_t width = static_cast<uint64_t>(h.biWidth);
  const uint64_t rows = static_cast<uint64_t>(std::labs(h.biHeight));
  if (h.biCompression == BI_RGB || h.biCompression == BI_BITFIELDS)
    return rows * (((width * h.biBitCount + 31) / 32) * 4);
  if (IsPacked422(h.biCompression)) return rows * ((width + 1) / 2) * 4;
  if (IsPlanar420(h.biCompression)) return width * rows + 2 * ((width + 1) / 2) * ((rows + 1) / 2);
  return h.biSizeImage;
}

// What the edge filter and the motion detector take: uncompressed pixels of 24 or 32 bits.
bool IsFilterable(const BITMAPINFOHEADER& h) {
  return (h.biCompression == BI_RGB || h.biCompression == BI_BITFIELDS) && (h.biBitCount == 24 || h.biBitCount == 32);
}

struct FrameLayout {
  BYTE* pixels;
  size_t rowBytes;
  int width;
  int rows;
  int bytesPerPixel;
};

size_t RowBytes(const BITMAPINFOHEADER& h) {
  return ((static_cast<size_t>(h.biWidth) * h.biBitCount + 31) / 32) * 4;
}

// The layout of a whole 24 or 32-bit frame, or rows 0 when it is not one.
FrameLayout LayoutOf(const BITMAPINFO* frame, size_t frameBytes) {
  FrameLayout f{};
  if (!CFrameGrabberDoc::IsWholeFrame(frame, frameBytes)) return f;
  const BITMAPINFOHEADER& h = frame->bmiHeader;
  if (!IsFilterable(h)) return f;
  f.pixels = const_cast<BYTE*>(reinterpret_cast<const BYTE*>(frame)) + h.biSize;
  f.rowBytes = RowBytes(h);
  f.width = static_cast<int>(h.biWidth);
  f.rows = static_cast<int>(std::labs(h.biHeight));
  f.bytesPerPixel = h.biBitCount / 8;
  return f;
}

}  // namespace

IMPLEMENT_DYNCREATE(CFrameGrabberDoc, CDocument)

CFrameGrabberDoc::CFrameGrabberDoc() = default;
CFrameGrabberDoc::~CFrameGrabberDoc() = default;

BOOL CFrameGrabberDoc::OnNewDocument() { return CDocument::OnNewDocument(); }

BOOL CFrameGrabberDoc::IsWholeFrame(const BITMAPINFO* frame, size_t frameBytes) {
  if (frame == nullptr || frameBytes < sizeof(BITMAPINFOHEADER)) return FALSE;
  const BITMAPINFOHEADER& h = frame->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biSize > frameBytes) return FALSE;
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == std::numeric_limits<LONG>::min() || h.biBitCount > 32)
    return FALSE;
  const bool uncompressed = h.biCompression == BI_RGB || h.biCompression == BI_BITFIELDS;
  if (uncompressed && h.biBitCount == 0) return FALSE;
  const uint64_t pixels = PixelBytes(h);
  if (pixels == 0) return FALSE;
  uint64_t offset = uncompressed ? std::max<uint64_t>(h.biSize, DibBitsOffset(h)) : h.biSize;
  if (h.biCompression == BI_BITFIELDS) offset = std::max<uint64_t>(offset, h.biSize + 3 * sizeof(DWORD));
  return offset <= frameBytes && pixels <= frameBytes - offset;
}

void CFrameGrabberDoc::OnNewFrame(BITMAPINFO* frame, size_t frameBytes) {
  if (frame == nullptr || m_busy) return;
  if (!IsWholeFrame(frame, frameBytes)) return;
  m_busy = true;
  // YUV frames (YUY2 of 16 bits, I420 of 12) get the filter's and the detector's message
  // like any other frame that they cannot take, and so does a compressed frame (MJPG, say)
  // whatever bit count it states.
  const bool filterable = IsFilterable(frame->bmiHeader);
  switch (m_mode) {
    case ShowFrames:
      // The picture takes uncompressed frames only; it keeps what it showed for any other.
      m_picture.SetFromDIB(frame);
      if (m_target != nullptr && m_target->GetSafeHwnd() != nullptr)
        m_target->SendMessage(STM_SETIMAGE, kImageBitmap, reinterpret_cast<LPARAM>(m_picture.GetSafeHandle()));
      break;
    case EdgeFilterFrames:
      if (!filterable) {
        MessageBox(nullptr, "Can't run filter: unsupported color resolution!", "", MB_ICONEXCLAMATION | MB_OK);
        m_mode = ShowFrames;
      } else {
        EdgeFilter(frame, frameBytes);
        m_picture.SetFromDIB(frame);
        UpdateAllViews(nullptr, 0, nullptr);
      }
      break;
    case DetectMotionFrames:
      if (!filterable) {
        MessageBox(nullptr, "Can't run motion detector: unsupported color resolution!", "",
                   MB_ICONEXCLAMATION | MB_OK);
        m_mode = ShowFrames;
      } else if (DetectMotion(frame, frameBytes)) {
        m_picture.SetFromDIB(frame);
        UpdateAllViews(nullptr, 0, nullptr);
      }
      break;
    default:
      break;
  }
  m_busy = false;
}

BOOL CFrameGrabberDoc::EdgeFilter(BITMAPINFO* frame, size_t frameBytes) {
  const FrameLayout f = LayoutOf(frame, frameBytes);
  if (f.rows == 0) return FALSE;
  const int bpp = f.bytesPerPixel;
  std::vector<BYTE> temp(f.rowBytes);
  for (int r = 0; r + 1 < f.rows; ++r) {
    BYTE* row = f.pixels + static_cast<size_t>(r) * f.rowBytes;
    const BYTE* next = row + f.rowBytes;
    for (int c = 0; c + 1 < f.width; ++c) {
      const BYTE* p = row + static_cast<size_t>(c) * bpp;
      const BYTE* p1 = p + bpp;
      const BYTE* q = next + static_cast<size_t>(c) * bpp;
      const BYTE* q1 = q + bpp;
      BYTE* out = temp.data() + static_cast<size_t>(c) * bpp;
      for (int k = 0; k < 3; ++k) {
        if (bpp == 3)
          out[k] = static_cast<BYTE>((std::abs(p[k] - q1[k]) + std::abs(p1[k] - q[k])) / 2);
        else
          out[k] = static_cast<BYTE>(((p[k] & static_cast<BYTE>(~q1[k])) + (p1[k] & static_cast<BYTE>(~q[k]))) / 2);
      }
      if (bpp == 4) out[3] = 0;
    }
    if (f.width > 1) std::copy(temp.begin(), temp.begin() + static_cast<ptrdiff_t>(f.width - 1) * bpp, row);
  }
  return TRUE;
}

int CFrameGrabberDoc::RegionBrightness24(const BYTE* pixels, size_t rowBytes, int x, int y, int cellWidth,
                                         int cellHeight) {
  int64_t sum = 0;
  for (int r = y; r < y + cellHeight; ++r) {
    const BYTE* p = pixels + static_cast<size_t>(r) * rowBytes + static_cast<size_t>(x) * 3;
    for (int c = 0; c < cellWidth; ++c, p += 3) sum += p[0] + p[1] + p[2];
  }
  return static_cast<int>(std::min<int64_t>(sum / 3, std::numeric_limits<int32_t>::max()));
}

int CFrameGrabberDoc::RegionBrightness32(const BYTE* pixels, size_t rowBytes, int x, int y, int cellWidth,
                                         int cellHeight) {
  int64_t sum = 0;
  for (int r = y; r < y + cellHeight; ++r) {
    const BYTE* p = pixels + static_cast<size_t>(r) * rowBytes + static_cast<size_t>(x) * 4;
    for (int c = 0; c < cellWidth; ++c, p += 4) sum += p[0] + p[1] + p[2];
  }
  return static_cast<int>(std::min<int64_t>(sum / 3, std::numeric_limits<int32_t>::max()));
}

BOOL CFrameGrabberDoc::DetectMotion(const BITMAPINFO* frame, size_t frameBytes) {
  const FrameLayout f = LayoutOf(frame, frameBytes);
  if (f.rows == 0) return FALSE;
  const int cellWidth = f.width / 4, cellHeight = f.rows / 4;
  std::array<int32_t, 16> now{};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      const int x = j * cellWidth, y = i * cellHeight;
      now[static_cast<size_t>(4 * i + j)] =
          f.bytesPerPixel == 3 ? RegionBrightness24(f.pixels, f.rowBytes, x, y, cellWidth, cellHeight)
                               : RegionBrightness32(f.pixels, f.rowBytes, x, y, cellWidth, cellHeight);
    }
  if (m_firstFrame) {
    m_reference = now;
    m_firstFrame = false;
    return FALSE;
  }
  BOOL motion = FALSE;
  for (size_t k = 0; k < 15 && !motion; ++k) {
    const float before = static_cast<float>(m_reference[k]) / (static_cast<float>(m_reference[k + 1]) + 1.0f);
    const float current = static_cast<float>(now[k]) / (static_cast<float>(now[k + 1]) + 1.0f);
    if (std::fabs(before - current) / current > 0.05f) motion = TRUE;
  }
  m_reference = now;
  return motion;
}
