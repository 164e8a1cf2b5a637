// The DIB bitmap: where the pixels of a DIB start, what the screen bitmap shows, and
// when the bitmap it holds is reused.
#include "ui/CDibBitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/win/DrawOp.h"
#include "platform/win/GdiData.h"

using namespace varlo::win;

namespace {

// A DIB in one block, as a capture driver hands it over.
class Dib {
 public:
  Dib(LONG width, LONG height, WORD bits, std::vector<RGBQUAD> colours = {}, DWORD clrUsed = 0) {
    BITMAPINFOHEADER h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = bits;
    h.biClrUsed = clrUsed;
    const size_t rows = static_cast<size_t>(height < 0 ? -height : height);
    m_block.resize(DibBitsOffset(h) + DibRowBytes(h) * rows);
    std::memcpy(m_block.data(), &h, sizeof h);
    if (!colours.empty()) std::memcpy(m_block.data() + h.biSize, colours.data(), colours.size() * sizeof(RGBQUAD));
  }
  BITMAPINFO* Info() { return reinterpret_cast<BITMAPINFO*>(m_block.data()); }
  BYTE* Row(size_t memoryRow) {
    const BITMAPINFOHEADER& h = Info()->bmiHeader;
    return m_block.data() + DibBitsOffset(h) + memoryRow * DibRowBytes(h);
  }
  // A 24-bit picture filled with one colour.
  void Fill(BYTE r, BYTE g, BYTE b) {
    const BITMAPINFOHEADER& h = Info()->bmiHeader;
    const size_t rows = static_cast<size_t>(h.biHeight < 0 ? -h.biHeight : h.biHeight);
    for (size_t y = 0; y < rows; ++y) {
      for (LONG x = 0; x < h.biWidth; ++x) {
        BYTE* p = Row(y) + 3 * static_cast<size_t>(x);
        p[0] = b;
        p[1] = g;
        p[2] = r;
      }
    }
  }

 private:
  std::vector<BYTE> m_block;
};

// A screen of a chosen colour depth.
class DepthSurface final : public IDrawSurface {
 public:
  void Draw(const DrawOp&) override {}
  CSize TextExtent(const std::string&, const FontData&) override { return CSize(0, 0); }
  int BitsPerPixel() const override { return depth; }
  int depth = 24;
};

std::uint32_t PixelOf(const CBitmap& bitmap, int x, int y) {
  const auto data = GdiGetAs<BitmapData>(bitmap.m_hObject);
  return data->pixels[static_cast<size_t>(y * data->width + x)];
}

TEST(DibBitsOffset, HeaderThenTheColourTable) {
  const struct {
    DWORD headerSize;
    WORD bits;
    DWORD clrUsed;
    size_t offset;
  } cases[] = {
      {40, 24, 0, 40},           // true colour: no table
      {40, 32, 0, 40},
      {40, 16, 0, 40},
      {40, 8, 16, 40 + 16 * 4},  // the colours used
      {40, 8, 0, 40 + 256 * 4},  // all 256
      {40, 4, 0, 40 + 16 * 4},
      {40, 1, 0, 40 + 2 * 4},
      {40, 24, 3, 40 + 3 * 4},   // an optional table of a true-colour picture
      {108, 24, 0, 108},         // a longer header
  };
  for (const auto& c : cases) {
    BITMAPINFOHEADER h;
    h.biSize = c.headerSize;
    h.biBitCount = c.bits;
    h.biClrUsed = c.clrUsed;
    EXPECT_EQ(DibBitsOffset(h), c.offset) << c.bits << " bits, " << c.clrUsed << " colours";
  }
}

TEST(CDibBitmap, NewOneIsEmpty) {
  CDibBitmap picture;
  EXPECT_EQ(picture.GetSize(), CSize(0, 0));
  EXPECT_EQ(picture.m_hObject, nullptr);
}

TEST(CDibBitmap, ShowsTheDibBottomRowFirst) {
  Dib dib(3, 2, 24);
  dib.Fill(0, 0, 255);
  BYTE* bottomLeft = dib.Row(0);
  bottomLeft[0] = 0x10;  // blue
  bottomLeft[1] = 0x20;  // green
  bottomLeft[2] = 0x30;  // red
  CDibBitmap picture;
  ASSERT_TRUE(picture.SetFromDIB(dib.Info()));
  EXPECT_EQ(picture.GetSize(), CSize(3, 2));
  EXPECT_EQ(PixelOf(picture, 0, 1), 0xFF302010u);
  EXPECT_EQ(PixelOf(picture, 0, 0), 0xFF0000FFu);
}

TEST(CDibBitmap, TakesThePixelsAfterAFullColourTable) {
  // An 8-bit picture that gives no colour count has all 256 colours before its pixels.
  std::vector<RGBQUAD> colours(256);
  colours[7] = RGBQUAD{0x33, 0x22, 0x11, 0};
  Dib dib(4, 1, 8, colours);
  std::memset(dib.Row(0), 7, 4);
  CDibBitmap picture;
  ASSERT_TRUE(picture.SetFromDIB(dib.Info()));
  for (int x = 0; x < 4; ++x) EXPECT_EQ(PixelOf(picture, x, 0), 0xFF112233u) << x;
}

TEST(CDibBitmap, ReusesItsBitmapOnlyWhileSizeAndScreenDepthFit) {
  DepthSurface surface;
  CDC screen;
  screen.SetSurface(&surface);
  CDibBitmap picture(&screen);
  Dib frame(8, 6, 24);
  Dib other(6, 8, 24);
  Dib topDown(8, -6, 24);

  frame.Fill(255, 0, 0);
  ASSERT_TRUE(picture.SetFromDIB(frame.Info()));
  const HGDIOBJ first = picture.m_hObject;
  frame.Fill(0, 255, 0);
  ASSERT_TRUE(picture.SetFromDIB(frame.Info()));
  EXPECT_EQ(picture.m_hObject, first);  // the same bitmap, the new frame in it
  EXPECT_EQ(PixelOf(picture, 4, 3), 0xFF00FF00u);

  struct Step {
    const char* name;
    Dib* dib;
    int depth;
    bool reused;
    CSize size;
  };
  const Step steps[] = {
      {"another size", &other, 24, false, CSize(6, 8)},
      {"that size again", &other, 24, true, CSize(6, 8)},
      {"screen depth changed", &other, 16, false, CSize(6, 8)},
      {"at the new depth", &other, 16, true, CSize(6, 8)},
      {"top-down", &topDown, 16, false, CSize(8, 6)},
      {"top-down never matches", &topDown, 16, false, CSize(8, 6)},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    surface.depth = s.depth;
    const HGDIOBJ before = picture.m_hObject;
    ASSERT_TRUE(picture.SetFromDIB(s.dib->Info()));
    EXPECT_EQ(picture.m_hObject == before, s.reused);
    EXPECT_EQ(picture.GetSize(), s.size);
    EXPECT_FALSE(GdiGet(reinterpret_cast<std::uintptr_t>(before)) && picture.m_hObject != before)
        << "the replaced bitmap is deleted";
  }
}

TEST(CDibBitmap, RefusesMissingAndCompressedDibs) {
  CDibBitmap picture;
  EXPECT_FALSE(picture.SetFromDIB(nullptr));
  Dib dib(2, 2, 8);
  dib.Info()->bmiHeader.biCompression = BI_RLE8;
  EXPECT_FALSE(picture.SetFromDIB(dib.Info()));
  EXPECT_EQ(picture.m_hObject, nullptr);
  // A depth no DIB has: the creation fails and nothing is held.
  Dib good(2, 2, 24);
  ASSERT_TRUE(picture.SetFromDIB(good.Info()));
  Dib odd(3, 3, 24);
  odd.Info()->bmiHeader.biBitCount = 12;
  EXPECT_FALSE(picture.SetFromDIB(odd.Info()));
  EXPECT_EQ(picture.m_hObject, nullptr);
  EXPECT_EQ(picture.GetSize(), CSize(0, 0));
}

}  // namespace
