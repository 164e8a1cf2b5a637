#include "stack/video/PColourConverter.h"

#include <cstring>

namespace {

// Frames larger than this many pixels on a side are refused (sizes come from headers).
constexpr unsigned kMaxSide = 16384;

bool Same(const PString& a, const char* b) { return a *= PString(b); }

bool IsPlanar420(const PString& name) { return Same(name, "YUV420P") || Same(name, "IYUV") || Same(name, "I420"); }

int BytesPerPixel(const PString& name) {
  if (Same(name, "RGB24") || Same(name, "RGB24F")) return 3;
  if (Same(name, "RGB32") || Same(name, "RGB32F")) return 4;
  return 0;
}

uint8_t LumaOf(int r, int g, int b) { return static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16); }
uint8_t BlueDiffOf(int r, int g, int b) {
  return static_cast<uint8_t>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
}
uint8_t RedDiffOf(int r, int g, int b) { return static_cast<uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128); }

class RgbToYuv420P final : public PColourConverter {
 public:
  RgbToYuv420P(PString src, PString dst, unsigned w, unsigned h, int bpp)
      : PColourConverter(std::move(src), std::move(dst), w, h), m_bpp(bpp) {}

 protected:
  size_t RowBytes(unsigned width) const { return (static_cast<size_t>(width) * m_bpp + 3) & ~size_t{3}; }
  size_t SrcFrameBytes(unsigned width, unsigned height) const override { return RowBytes(width) * height; }

  void DoConvert(const uint8_t* src, uint8_t* dst) const override {
    const size_t row = RowBytes(m_width);
    auto pixel = [&](unsigned x, unsigned y) {
      const unsigned memRow = m_flip ? m_height - 1 - y : y;
      return src + memRow * row + static_cast<size_t>(x) * m_bpp;
    };
    uint8_t* yPlane = dst;
    for (unsigned y = 0; y < m_height; ++y)
      for (unsigned x = 0; x < m_width; ++x) {
        const uint8_t* p = pixel(x, y);
        yPlane[static_cast<size_t>(y) * m_width + x] = LumaOf(p[2], p[1], p[0]);
      }
    const unsigned cw = (m_width + 1) / 2, ch = (m_height + 1) / 2;
    uint8_t* uPlane = dst + static_cast<size_t>(m_width) * m_height;
    uint8_t* vPlane = uPlane + static_cast<size_t>(cw) * ch;
    for (unsigned cy = 0; cy < ch; ++cy)
      for (unsigned cx = 0; cx < cw; ++cx) {
        int r = 0, g = 0, b = 0, n = 0;
        for (unsigned y = 2 * cy; y < 2 * cy + 2 && y < m_height; ++y)
          for (unsigned x = 2 * cx; x < 2 * cx + 2 && x < m_width; ++x) {
            const uint8_t* p = pixel(x, y);
            b += p[0];
            g += p[1];
            r += p[2];
            ++n;
          }
        r = (r + n / 2) / n;
        g = (g + n / 2) / n;
        b = (b + n / 2) / n;
        uPlane[static_cast<size_t>(cy) * cw + cx] = BlueDiffOf(r, g, b);
        vPlane[static_cast<size_t>(cy) * cw + cx] = RedDiffOf(r, g, b);
      }
  }

 private:
  int m_bpp;
};

class Yuv420PCopy final : public PColourConverter {
 public:
  using PColourConverter::PColourConverter;

 protected:
  size_t SrcFrameBytes(unsigned width, unsigned height) const override { return YUV420PFrameBytes(width, height); }
  void DoConvert(const uint8_t* src, uint8_t* dst) const override {
    std::memcpy(dst, src, YUV420PFrameBytes(m_width, m_height));
  }
};

}  // namespace

size_t YUV420PFrameBytes(unsigned width, unsigned height) {
  return static_cast<size_t>(width) * height + 2 * (static_cast<size_t>((width + 1) / 2) * ((height + 1) / 2));
}

PColourConverter::PColourConverter(PString src, PString dst, unsigned width, unsigned height)
    : m_srcFormat(std::move(src)), m_dstFormat(std::move(dst)), m_width(width), m_height(height) {}

std::unique_ptr<PColourConverter> PColourConverter::Create(const PString& srcFormat, const PString& dstFormat,
                                                           unsigned width, unsigned height) {
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return nullptr;
  if (!IsPlanar420(dstFormat)) return nullptr;
  if (IsPlanar420(srcFormat))
    return std::unique_ptr<PColourConverter>(new Yuv420PCopy(srcFormat, dstFormat, width, height));
  if (const int bpp = BytesPerPixel(srcFormat); bpp != 0)
    return std::unique_ptr<PColourConverter>(new RgbToYuv420P(srcFormat, dstFormat, width, height, bpp));
  return nullptr;
}

bool PColourConverter::SetFrameSize(unsigned width, unsigned height) {
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return false;
  m_width = width;
  m_height = height;
  return true;
}

size_t PColourConverter::GetMaxSrcFrameBytes() const { return SrcFrameBytes(m_width, m_height); }
size_t PColourConverter::GetMaxDstFrameBytes() const { return YUV420PFrameBytes(m_width, m_height); }

bool PColourConverter::Convert(const uint8_t* src, size_t srcBytes, uint8_t* dst, size_t dstCapacity,
                               size_t* bytesReturned) const {
  if (bytesReturned != nullptr) *bytesReturned = 0;
  if (src == nullptr || dst == nullptr) return false;
  if (srcBytes < GetMaxSrcFrameBytes() || dstCapacity < GetMaxDstFrameBytes()) return false;
  DoConvert(src, dst);
  if (bytesReturned != nullptr) *bytesReturned = GetMaxDstFrameBytes();
  return true;
}
