// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/images.h"

#include <gtest/gtest.h>

#include "viewer/canvas.h"

namespace skylacer::viewer {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put32(Bytes& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put16(Bytes& b, std::uint16_t v) {
  b.push_back(static_cast<std::uint8_t>(v));
  b.push_back(static_cast<std::uint8_t>(v >> 8));
}

// A 3 × 2 bitmap: rows of (blue, green, red) or (blue, green, red, alpha) pixels given top first.
Bytes bmp(int bits, bool topDown, const std::vector<Bytes>& rowsTopFirst) {
  const int width = 3;
  const int height = static_cast<int>(rowsTopFirst.size());
  const std::size_t stride = (static_cast<std::size_t>(bits / 8) * width + 3) / 4 * 4;
  Bytes file{'B', 'M'};
  put32(file, static_cast<std::uint32_t>(54 + stride * height));
  put32(file, 0);
  put32(file, 54);
  put32(file, 40);
  put32(file, width);
  put32(file, static_cast<std::uint32_t>(topDown ? -height : height));
  put16(file, 1);
  put16(file, static_cast<std::uint16_t>(bits));
  for (int i = 0; i < 6; ++i) put32(file, 0);
  for (int r = 0; r < height; ++r) {
    Bytes row = rowsTopFirst[static_cast<std::size_t>(topDown ? r : height - 1 - r)];
    row.resize(stride, 0);
    file.insert(file.end(), row.begin(), row.end());
  }
  return file;
}

TEST(Images, DecodesBitmapsBottomUpAndTopDown) {
  const std::vector<Bytes> rows{{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}};
  for (const bool topDown : {false, true}) {
    SCOPED_TRACE(topDown);
    const auto image = decodeBmp(bmp(24, topDown, rows));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    // Top-left pixel: blue 1, green 2, red 3 → red, green, blue, opaque.
    EXPECT_EQ((Bytes{image->pixels.begin(), image->pixels.begin() + 4}), (Bytes{3, 2, 1, 255}));
    EXPECT_EQ((Bytes{image->pixels.begin() + 12, image->pixels.begin() + 16}),
              (Bytes{12, 11, 10, 255}));
  }
  const auto withAlpha = decodeBmp(bmp(32, false, {{1, 2, 3, 0, 4, 5, 6, 128, 7, 8, 9, 255}}));
  ASSERT_TRUE(withAlpha);
  EXPECT_EQ(withAlpha->pixels[3], 0);
  EXPECT_EQ(withAlpha->pixels[7], 128);
}

TEST(Images, RefusesBitmapsItCannotRead) {
  Bytes good = bmp(24, false, {{1, 2, 3, 4, 5, 6, 7, 8, 9}});
  Bytes truncated(good.begin(), good.end() - 4);
  Bytes paletted = good;
  paletted[28] = 8;
  Bytes compressed = good;
  compressed[30] = 1;
  for (const Bytes& file : {Bytes{}, Bytes{'B', 'M'}, truncated, paletted, compressed})
    EXPECT_FALSE(decodeBmp(file));
}

std::uint32_t be32(const Bytes& b, std::size_t at) {
  return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 |
         std::uint32_t{b[at + 2]} << 8 | b[at + 3];
}

TEST(Images, WritesPngFilesWithStoredData) {
  RgbaImage image{200, 150, Bytes(200 * 150 * 4, 77)};
  image.pixels[0] = 9;
  const Bytes png = encodePng(image);
  ASSERT_GT(png.size(), 200u * 150 * 3);
  EXPECT_EQ((Bytes{png.begin(), png.begin() + 8}), (Bytes{0x89, 'P', 'N', 'G', 13, 10, 26, 10}));
  EXPECT_EQ(be32(png, 16), 200u);
  EXPECT_EQ(be32(png, 20), 150u);
  EXPECT_EQ(png[24], 8);  // bits
  EXPECT_EQ(png[25], 2);  // RGB
  // The data: zlib header, then the first stored block starting with row 0's filter byte and
  // its first pixel's red, green, blue.
  const std::size_t idat = 8 + 25;
  EXPECT_EQ(std::string(png.begin() + idat + 4, png.begin() + idat + 8), "IDAT");
  const std::size_t z = idat + 8;
  EXPECT_EQ(png[z], 0x78);
  EXPECT_EQ(png[z + 2], 0);  // not the last block: 150 rows of 601 bytes need two
  EXPECT_EQ((Bytes{png.begin() + z + 7, png.begin() + z + 11}), (Bytes{0, 9, 77, 77}));
  EXPECT_EQ(std::string(png.end() - 8, png.end() - 4), "IEND");
}

TEST(Canvas, FillsFramesAndWritesTextClipped) {
  Canvas canvas({50, 20});
  canvas.fill({-5, -5, 10, 10}, {255, 0, 0});
  EXPECT_EQ(canvas.pixel(4, 4), (Colour{255, 0, 0}));
  EXPECT_EQ(canvas.pixel(5, 5).a, 0);
  canvas.clear();
  canvas.text({0, 0}, "I", {0, 0, 255});
  int ink = 0;
  for (int y = 0; y < kGlyphHeight; ++y)
    for (int x = 0; x < kGlyphWidth; ++x) ink += canvas.pixel(x, y) == Colour{0, 0, 255};
  EXPECT_GT(ink, 6);
  EXPECT_EQ(canvas.pixel(kGlyphWidth, 5).a, 0);  // one glyph wide
  canvas.text({45, 15}, "WWW\x01", {0, 0, 0});   // past the edge, and an unknown character
  EXPECT_EQ(textWidth("abc"), 21);
}

}  // namespace
}  // namespace skylacer::viewer
