// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pyramid.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "tests/support/synth_texture.h"

namespace skylacer {
namespace {

LumaImage filtered(LumaImage plane, ImageSize size) {
  highPassFilter(plane.data(), size);
  return plane;
}

LumaImage levelCopy(const LumaPyramid& pyramid, int level) {
  const ImageSize size = pyramid.size(level);
  const std::int16_t* data = pyramid.level(level);
  return LumaImage(data, data + static_cast<std::ptrdiff_t>(size.width) * size.height);
}

StitchParams defaults() {
  return paramsFromProfileText(kDefaultProfileText);
}

TEST(HighPassFilter, TurnsAConstantPlaneInto384) {
  for (ImageSize size : {ImageSize{1, 1}, ImageSize{3, 2}, ImageSize{17, 5}, ImageSize{64, 48}}) {
    SCOPED_TRACE(testing::Message() << size.width << "x" << size.height);
    const LumaImage flat(static_cast<std::size_t>(size.width * size.height), 500);
    EXPECT_EQ(filtered(flat, size), LumaImage(flat.size(), 384));
  }
}

TEST(HighPassFilter, IgnoresABrightnessOffsetOfTheWholePlane) {
  const ImageSize size{61, 37};
  const LumaImage plane = test::noisePlane(size, 7);
  LumaImage brighter = plane;
  for (auto& value : brighter) value = static_cast<std::int16_t>(value + 50);
  EXPECT_EQ(filtered(plane, size), filtered(brighter, size));
}

TEST(HighPassFilter, KeepsFineDetailAndFlattensAGentleSlope) {
  // A slope of one unit per pixel across 128 columns with a ±40 checkerboard on top.
  const ImageSize size{128, 96};
  LumaImage plane(static_cast<std::size_t>(size.width * size.height));
  auto checker = [](int x, int y) { return (x + y) % 2 == 0 ? 40 : -40; };
  for (int y = 0; y < size.height; ++y)
    for (int x = 0; x < size.width; ++x)
      plane[static_cast<std::size_t>(y * size.width + x)] =
          static_cast<std::int16_t>(300 + x + checker(x, y));
  const LumaImage result = filtered(plane, size);
  // Away from the borders the slope is gone and the checkerboard stays. Each halving places a
  // block's mean on its first pixel, so the blur trails the plane by 0.5 + 1 + 2 + 4 pixels
  // and the slope leaves a constant of about -7.5 behind.
  const int level = result[static_cast<std::size_t>(48 * size.width + 64)] - checker(64, 48);
  EXPECT_NEAR(level, 384 - 7.5, 1);
  for (int y = 32; y < 64; ++y)
    for (int x = 32; x < 96; ++x)
      ASSERT_EQ(result[static_cast<std::size_t>(y * size.width + x)], level + checker(x, y))
          << "at " << x << "," << y;
}

TEST(BuildPyramid, APlaneOfTwiceFirstIterSizeGivesTwoLevelsAndFiltersOnlyLevelOne) {
  StitchParams params = defaults();
  params.firstIterSize = 8;
  const ImageSize size{16, 16};
  const LumaImage plane = test::noisePlane(size, 1);
  const LumaImage original = plane;
  const LumaPyramid pyramid = buildPyramid(plane, size, params);
  EXPECT_EQ(pyramid.coarsestLevel(), 1);
  EXPECT_EQ(params.coarsestLevel, 1);
  EXPECT_EQ(pyramid.level(0), plane.data());
  EXPECT_EQ(plane, original);
  EXPECT_EQ(pyramid.size(1), (ImageSize{8, 8}));
  EXPECT_EQ(levelCopy(pyramid, 1), filtered(downsample2x2(plane, size), {8, 8}));
}

TEST(BuildPyramid, EachLevelIsMadeFromTheUnfilteredLevelBeforeIt) {
  StitchParams params = defaults();
  params.firstIterSize = 8;
  const ImageSize size{67, 49};
  const LumaImage plane = test::noisePlane(size, 2);
  const LumaPyramid pyramid = buildPyramid(plane, size, params);
  // 67 x 49 -> 33 x 24 -> 16 x 12, which is below 2 x 8 in height.
  ASSERT_EQ(pyramid.coarsestLevel(), 2);
  const LumaImage level1 = downsample2x2(plane, size);
  const LumaImage level2 = downsample2x2(level1, {33, 24});
  EXPECT_EQ(pyramid.size(2), (ImageSize{16, 12}));
  EXPECT_EQ(levelCopy(pyramid, 1), filtered(level1, {33, 24}));
  EXPECT_EQ(levelCopy(pyramid, 2), filtered(level2, {16, 12}));
}

TEST(BuildPyramid, AnOnlyLevelIsAFilteredCopyOfTheWorkingPlane) {
  StitchParams params = defaults();  // firstIterSize 100: a 150-wide plane is not halved
  const ImageSize size{150, 120};
  const LumaImage plane = test::noisePlane(size, 3);
  const LumaImage original = plane;
  const LumaPyramid pyramid = buildPyramid(plane, size, params);
  EXPECT_EQ(pyramid.coarsestLevel(), 0);
  EXPECT_EQ(params.coarsestLevel, 0);
  EXPECT_EQ(levelCopy(pyramid, 0), filtered(plane, size));
  EXPECT_EQ(plane, original) << "the working plane belongs to the caller";
}

TEST(BuildPyramid, AFirstIterSizeOfZeroOrLessStopsBeforeAnEmptyLevel) {
  struct Case {
    ImageSize size;
    int firstIterSize;
    int coarsest;
  };
  for (const Case& c :
       {Case{{64, 64}, 0, 6}, Case{{40, 3}, 0, 1}, Case{{64, 64}, -5, 6}, Case{{1, 1}, 0, 0}}) {
    SCOPED_TRACE(testing::Message()
                 << c.size.width << "x" << c.size.height << " S " << c.firstIterSize);
    StitchParams params = defaults();
    params.firstIterSize = c.firstIterSize;
    const LumaImage plane = test::noisePlane(c.size, 4);
    const LumaPyramid pyramid = buildPyramid(plane, c.size, params);
    EXPECT_EQ(pyramid.coarsestLevel(), c.coarsest);
    EXPECT_EQ(params.coarsestLevel, c.coarsest);
    const ImageSize last = pyramid.size(c.coarsest);
    EXPECT_GT(last.width, 0);
    EXPECT_GT(last.height, 0);
  }
}

}  // namespace
}  // namespace skylacer
