// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/blend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/column_strips.h"
#include "tests/support/synth_texture.h"

namespace skylacer {
namespace {

std::uint8_t* pixel(RgbImage& image, ImageSize size, int column, int row) {
  return image.data() + (static_cast<std::size_t>(row) * static_cast<std::size_t>(size.width) +
                         static_cast<std::size_t>(column)) *
                            3;
}

// Columns from..from + width - 1 of `picture` as a picture of their own.
RgbImage columnsOf(const RgbImage& picture, ImageSize size, int from, int width) {
  RgbImage part = makeRgbImage({width, size.height});
  for (int r = 0; r < size.height; ++r)
    std::copy_n(picture.begin() + 3 * (static_cast<std::ptrdiff_t>(r) * size.width + from),
                3 * width, part.begin() + 3 * static_cast<std::ptrdiff_t>(r) * width);
  return part;
}

void clearColumns(RgbImage& image, ImageSize size, int from, int to) {
  for (int r = 0; r < size.height; ++r)
    for (int c = from; c < to; ++c) std::fill_n(pixel(image, size, c, r), 3, 0);
}

void clearRows(RgbImage& image, ImageSize size, int from, int to) {
  for (int r = from; r < to; ++r)
    for (int c = 0; c < size.width; ++c) std::fill_n(pixel(image, size, c, r), 3, 0);
}

// A panorama holding the previous photograph at columns 0..W-1 of a scene, and the new
// photograph's canvas showing the scene's columns a..a+W-1: both sides agree in the overlap.
struct SeamScene {
  ImageSize panoramaSize;
  ImageSize canvasSize;
  int a = 0;
  RgbImage scene;
  RgbImage panorama;
  RgbImage canvas;
};

SeamScene sharedScene(ImageSize canvasSize, int a, int panoramaWidth) {
  SeamScene s;
  s.canvasSize = canvasSize;
  s.panoramaSize = {panoramaWidth, canvasSize.height};
  s.a = a;
  s.scene = test::noisePicture(s.panoramaSize, 7);
  s.panorama = s.scene;
  clearColumns(s.panorama, s.panoramaSize, canvasSize.width, panoramaWidth);
  s.canvas = columnsOf(s.scene, s.panoramaSize, a, canvasSize.width);
  return s;
}

// Blends the scene's canvas into its panorama with 32-pixel strips, the seam starting at row 0.
std::vector<int> blend(SeamScene& s, CropRows& rows) {
  return blendSeam(s.panorama, s.panoramaSize, s.canvas, s.canvasSize, s.a, 0, 32, rows);
}

TEST(BlendSeam, IdenticalHalvesKeepTheStartingColumnWithoutColourCorrection) {
  SeamScene s = sharedScene({200, 60}, 120, 320);
  CropRows rows{0, 60};
  const auto seam =
      searchSeam(s.panorama, s.panoramaSize, s.canvas, s.canvasSize, s.a, 0, 32, rows);
  for (int r = 0; r < 60; ++r) {
    SCOPED_TRACE(r);
    const SeamRow& row = seam[static_cast<std::size_t>(r)];
    EXPECT_EQ(row.column, (200 - 120 - 32) / 2);
    EXPECT_EQ(row.pairs, 32);
    for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(row.meanDifference[ch], 0);
  }
  EXPECT_EQ(rows.top, 0);
  EXPECT_EQ(rows.bottom, 60);
  const auto joints = blend(s, rows);
  // Nothing moved: the panorama is the scene wherever either photograph reaches.
  EXPECT_TRUE(s.panorama == s.scene);
  for (const int joint : joints) EXPECT_EQ(joint, 120 + 24 + 16);
}

TEST(BlendSeam, RowsWithoutOverlapNarrowTheCropTopAndBottom) {
  SeamScene s = sharedScene({200, 100}, 120, 320);
  clearRows(s.canvas, s.canvasSize, 0, 10);
  clearRows(s.canvas, s.canvasSize, 85, 100);
  const RgbImage before = s.panorama;
  CropRows rows{0, 100};
  blend(s, rows);
  EXPECT_EQ(rows.top, 9);      // the last upper row without overlap
  EXPECT_EQ(rows.bottom, 85);  // the first lower row without overlap
  // A narrower band from an earlier seam is kept.
  CropRows narrower{20, 70};
  blend(s, narrower);
  EXPECT_EQ(narrower.top, 20);
  EXPECT_EQ(narrower.bottom, 70);
  // The empty rows of the canvas left the panorama as it was.
  for (int r : {0, 9, 85, 99})
    for (int c = 0; c < 320; c += 7)
      EXPECT_EQ(std::memcmp(pixel(s.panorama, s.panoramaSize, c, r),
                            before.data() + 3 * (r * 320 + c), 3),
                0)
          << c << ", " << r;
}

TEST(BlendSeam, EmptyCanvasPixelsNeverOverwriteThePanorama) {
  // The previous photograph reaches over the whole new one, so every canvas pixel has a
  // panorama pixel under it.
  SeamScene s = sharedScene({200, 60}, 120, 320);
  s.panorama = s.scene;
  for (int r = 10; r < 50; ++r)
    for (int c = 100; c < 160; ++c) std::fill_n(pixel(s.canvas, s.canvasSize, c, r), 3, 0);
  CropRows rows{0, 60};
  blend(s, rows);
  EXPECT_TRUE(s.panorama == s.scene);
}

TEST(BlendSeam, BrighterCanvasMeetsThePanoramaHalfway) {
  constexpr int kOffset = 20;
  SeamScene s = sharedScene({200, 60}, 120, 320);
  for (auto& byte : s.canvas) byte = static_cast<std::uint8_t>(std::min(byte + kOffset, 255));
  const RgbImage before = s.panorama;
  CropRows rows{0, 60};
  const auto joints = blend(s, rows);
  double panoramaSide = 0;
  double canvasSide = 0;
  double farSide = 0;
  for (int r = 0; r < 60; ++r) {
    const int joint = joints[static_cast<std::size_t>(r)];
    auto shift = [&](int column, const RgbImage& reference) {
      const std::uint8_t* after = pixel(s.panorama, s.panoramaSize, column, r);
      const std::uint8_t* ref = reference.data() + 3 * (r * 320 + column);
      return (after[0] + after[1] + after[2] - ref[0] - ref[1] - ref[2]) / 3.0;
    };
    panoramaSide += shift(joint - 1, before);
    canvasSide += shift(joint + 16, s.scene) - kOffset;
    farSide += shift(319, s.scene) - kOffset;
  }
  // Each side moves half the difference near the seam; the canvas correction fades with the
  // distance (the scene's edges shorten the fade).
  EXPECT_NEAR(panoramaSide / 60, kOffset / 2.0, 1.5);
  EXPECT_NEAR(canvasSide / 60, -kOffset / 2.0, 1.5);
  EXPECT_GT(farSide / 60, canvasSide / 60 + 2);
}

TEST(BlendSeam, ComparisonStripReachingPastBothRightEndsCountsAsEmpty) {
  // A tiny photograph: the candidates' 32-pixel strips run past the canvas (40 wide) and the
  // panorama (44 wide).
  SeamScene s = sharedScene({40, 8}, 4, 44);
  CropRows rows{0, 8};
  const auto joints = blend(s, rows);
  EXPECT_TRUE(s.panorama == s.scene);
  for (const int joint : joints) {
    EXPECT_GE(joint, s.a);
    EXPECT_LT(joint, 44);
  }
}

TEST(BlendSeam, NothingRightOfTheNewPhotographIsRead) {
  // The panorama reaches past a + W = 40, where nothing has been painted yet and its buffer may
  // hold anything, here the scene going on. The colour correction's walk along the panorama
  // starts 31 columns right of the seam, in that part: what it finds there must not change
  // the join.
  SeamScene s = sharedScene({40, 8}, 0, 60);
  for (auto& byte : s.canvas) byte = static_cast<std::uint8_t>(std::min(byte + 30, 255));
  RgbImage dirty = s.scene;
  CropRows cleanRows{0, 8};
  CropRows dirtyRows{0, 8};
  const auto cleanJoints =
      blendSeam(s.panorama, s.panoramaSize, s.canvas, s.canvasSize, s.a, 0, 0, cleanRows);
  const auto dirtyJoints =
      blendSeam(dirty, s.panoramaSize, s.canvas, s.canvasSize, s.a, 0, 0, dirtyRows);
  EXPECT_EQ(dirtyJoints, cleanJoints);
  for (int r = 0; r < 8; ++r)
    EXPECT_EQ(0, std::memcmp(pixel(dirty, s.panoramaSize, 0, r),
                             pixel(s.panorama, s.panoramaSize, 0, r), 3 * 40))
        << "row " << r;
}

TEST(BlendSeam, ACanvasSplitIntoThePanoramaGivesTheSameJoin) {
  // Canvas columns right of the previous photograph (b + W - a = 80 here) may be projected
  // straight into the empty panorama: the join must not change, also where the colour
  // correction and empty canvas pixels reach past the split, and wherever the split lies.
  struct Case {
    const char* name;
    int brightness;
    bool hole;
  };
  for (const Case c : {Case{"same scene", 0, false}, Case{"brighter canvas", 25, false},
                       Case{"darker canvas with a hole", -30, true}}) {
    for (const int split : {80, 128, 0, 200}) {
      SCOPED_TRACE(testing::Message() << c.name << ", split " << split);
      SeamScene s = sharedScene({200, 60}, 120, 320);
      for (auto& byte : s.canvas)
        byte = static_cast<std::uint8_t>(std::clamp(byte + c.brightness, 1, 255));
      if (c.hole)
        for (int r = 5; r < 40; ++r)
          for (int col = 90; col < 150; ++col)
            std::fill_n(pixel(s.canvas, s.canvasSize, col, r), 3, 0);
      if (split == 0) clearColumns(s.panorama, s.panoramaSize, 0, 320);  // nothing placed yet

      RgbImage whole = s.panorama;
      CropRows wholeRows{0, 60};
      const auto wholeJoints =
          blendSeam(whole, s.panoramaSize, s.canvas, s.canvasSize, s.a, 0, 32, wholeRows);

      RgbImage spilt = s.panorama;
      RgbImage canvas = s.canvas;
      for (int r = 0; r < 60; ++r) {
        for (int col = split; col < 200; ++col) {
          std::copy_n(pixel(canvas, s.canvasSize, col, r), 3,
                      pixel(spilt, s.panoramaSize, s.a + col, r));
          std::fill_n(pixel(canvas, s.canvasSize, col, r), 3, 77);  // never read
        }
      }
      CropRows spiltRows{0, 60};
      const auto spiltJoints =
          blendSeam(spilt, s.panoramaSize, canvas, s.canvasSize, s.a, 0, 32, spiltRows, split);
      EXPECT_TRUE(spilt == whole);
      EXPECT_EQ(spiltJoints, wholeJoints);
      EXPECT_EQ(spiltRows.top, wholeRows.top);
      EXPECT_EQ(spiltRows.bottom, wholeRows.bottom);
    }
  }
}

// The panorama in column strips (as the composition holds it) joins as it does in rows: the
// overlap, the seam's reach and the canvas columns spilt into the panorama all cross the ends of
// strips.
TEST(BlendSeam, APanoramaInColumnStripsGetsTheBytesOfOneInRows) {
  const ColumnStrips strips = ColumnStrips::strips(90);
  const int width = 1100;
  const int count = stripsWidth(width) / strips.stripColumns();
  // Brighter, the canvas is corrected across the strips; the same, it is copied in runs.
  for (const auto& [split, brightness] : {std::pair{kWholeCanvas, 20}, std::pair{64, 20},
                                          std::pair{0, 20}, std::pair{kWholeCanvas, 0}}) {
    SCOPED_TRACE(testing::Message() << "split " << split << ", brightness " << brightness);
    SeamScene s = sharedScene({700, 90}, 332, width);  // the seam starts across 512
    for (auto& byte : s.canvas)
      byte = static_cast<std::uint8_t>(std::clamp(byte + brightness, 1, 255));
    if (split < s.canvasSize.width)
      for (int r = 0; r < 90; ++r)
        for (int col = split; col < 700; ++col)
          std::copy_n(pixel(s.canvas, s.canvasSize, col, r), 3,
                      pixel(s.panorama, s.panoramaSize, s.a + col, r));
    RgbImage inStrips(strips.stripBytes * static_cast<std::size_t>(count));
    for (int r = 0; r < 90; ++r)
      for (int c = 0; c < width; ++c)
        std::copy_n(pixel(s.panorama, s.panoramaSize, c, r), 3, &inStrips[strips.offset(c, r)]);

    CropRows rowsRows{0, 90};
    const auto rowsJoints = blendSeam(s.panorama, s.panoramaSize, s.canvas, s.canvasSize, s.a, 0,
                                      32, rowsRows, split, 1);
    CropRows stripsRows{0, 90};
    const auto stripsJoints = blendSeam(inStrips, s.panoramaSize, s.canvas, s.canvasSize, s.a, 0,
                                        32, stripsRows, split, 2, strips);
    EXPECT_EQ(stripsJoints, rowsJoints);
    EXPECT_EQ(stripsRows.top, rowsRows.top);
    EXPECT_EQ(stripsRows.bottom, rowsRows.bottom);
    std::size_t wrong = 0;
    for (int r = 0; r < 90; ++r)
      for (int c = 0; c < width; ++c)
        wrong += std::memcmp(&inStrips[strips.offset(c, r)],
                             pixel(s.panorama, s.panoramaSize, c, r), 3) != 0;
    EXPECT_EQ(wrong, 0u);
  }
}

}  // namespace
}  // namespace skylacer
