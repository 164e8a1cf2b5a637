// The colour converter against pixels worked out by hand from the BT.601 limited-range
// formulas (integer arithmetic, chroma of each 2 x 2 block from its mean colour).
#include <gtest/gtest.h>

#include <vector>

#include "stack/video/PColourConverter.h"

namespace {

struct Rgb {
  uint8_t r, g, b;
};
struct Yuv {
  uint8_t y, u, v;
};

// A frame of `rows` rows in memory order, padded to 4 bytes with 0xEE (never a pixel).
std::vector<uint8_t> Frame(const std::vector<std::vector<Rgb>>& rows, int bpp) {
  const size_t width = rows[0].size();
  const size_t rowBytes = (width * bpp + 3) & ~size_t{3};
  std::vector<uint8_t> out(rowBytes * rows.size(), 0xEE);
  for (size_t r = 0; r < rows.size(); ++r)
    for (size_t c = 0; c < width; ++c) {
      uint8_t* p = &out[r * rowBytes + c * bpp];
      p[0] = rows[r][c].b;
      p[1] = rows[r][c].g;
      p[2] = rows[r][c].r;
      if (bpp == 4) p[3] = 0x55;
    }
  return out;
}

std::vector<uint8_t> Convert(const char* format, const std::vector<uint8_t>& src, unsigned w, unsigned h, bool flip) {
  auto converter = PColourConverter::Create(format, "YUV420P", w, h);
  EXPECT_NE(converter, nullptr);
  if (converter == nullptr) return {};
  converter->SetVerticalFlip(flip);
  std::vector<uint8_t> dst(converter->GetMaxDstFrameBytes(), 0);
  size_t n = 0;
  EXPECT_TRUE(converter->Convert(src.data(), src.size(), dst.data(), dst.size(), &n));
  EXPECT_EQ(n, dst.size());
  return dst;
}

}  // namespace

TEST(ColourConverter, SolidColoursGiveTheirReferenceValuesAt24And32Bits) {
  const struct {
    Rgb rgb;
    Yuv yuv;
  } cases[] = {
      {{255, 255, 255}, {235, 128, 128}}, {{0, 0, 0}, {16, 128, 128}},   {{255, 0, 0}, {82, 90, 240}},
      {{0, 255, 0}, {144, 54, 34}},       {{0, 0, 255}, {41, 240, 110}},
  };
  for (const auto& c : cases)
    for (const char* format : {"RGB24", "RGB32F"}) {
      const int bpp = format[3] == '2' ? 3 : 4;
      const auto out = Convert(format, Frame({{c.rgb, c.rgb}, {c.rgb, c.rgb}}, bpp), 2, 2, false);
      ASSERT_EQ(out.size(), 6u);
      EXPECT_EQ((std::vector<uint8_t>(out.begin(), out.begin() + 4)), std::vector<uint8_t>(4, c.yuv.y)) << format;
      EXPECT_EQ(out[4], c.yuv.u) << format << " r" << int(c.rgb.r) << " g" << int(c.rgb.g);
      EXPECT_EQ(out[5], c.yuv.v) << format << " r" << int(c.rgb.r) << " g" << int(c.rgb.g);
    }
}

TEST(ColourConverter, OddWidthWithPaddedRowsAndTheVerticalFlip) {
  // 3 x 2: row padding of 3 bytes; the right chroma column covers one pixel column.
  const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255}, black{0, 0, 0};
  const auto src = Frame({{red, green, blue}, {white, white, black}}, 3);
  ASSERT_EQ(src.size(), 24u);
  // Left block mean (191, 191, 128): U 100, V 132.  Right block mean (0, 0, 128): U 184, V 119.
  EXPECT_EQ(Convert("RGB24", src, 3, 2, false), (std::vector<uint8_t>{82, 144, 41, 235, 235, 16, 100, 184, 132, 119}));
  EXPECT_EQ(Convert("RGB24", src, 3, 2, true), (std::vector<uint8_t>{235, 235, 16, 82, 144, 41, 100, 184, 132, 119}));
}

TEST(ColourConverter, RefusesShortSourcesSmallDestinationsAndUnknownPairs) {
  auto converter = PColourConverter::Create("RGB24", "YUV420P", 4, 4);
  ASSERT_NE(converter, nullptr);
  std::vector<uint8_t> src(converter->GetMaxSrcFrameBytes(), 0x80), dst(converter->GetMaxDstFrameBytes() + 8, 0xAB);
  size_t n = 99;
  EXPECT_FALSE(converter->Convert(src.data(), src.size() - 1, dst.data(), dst.size(), &n));
  EXPECT_EQ(n, 0u);
  EXPECT_FALSE(converter->Convert(src.data(), src.size(), dst.data(), converter->GetMaxDstFrameBytes() - 1, &n));
  EXPECT_EQ(dst[0], 0xAB) << "nothing written on failure";
  EXPECT_TRUE(converter->Convert(src.data(), src.size(), dst.data(), dst.size(), &n));
  EXPECT_EQ(n, 24u);
  EXPECT_EQ(dst[24], 0xAB) << "nothing beyond the frame";

  EXPECT_EQ(PColourConverter::Create("RGB24", "RGB32", 4, 4), nullptr);
  EXPECT_EQ(PColourConverter::Create("MJPEG", "YUV420P", 4, 4), nullptr);
  EXPECT_EQ(PColourConverter::Create("RGB24", "YUV420P", 0, 4), nullptr);

  // Planar frames pass through unchanged.
  auto copy = PColourConverter::Create("I420", "YUV420P", 3, 3);
  ASSERT_NE(copy, nullptr);
  std::vector<uint8_t> planar(YUV420PFrameBytes(3, 3));
  for (size_t i = 0; i < planar.size(); ++i) planar[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint8_t> out(planar.size());
  ASSERT_TRUE(copy->Convert(planar.data(), planar.size(), out.data(), out.size(), &n));
  EXPECT_EQ(out, planar);
}
