#include "engine/pyramid.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/coarse_search.h"
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

TEST(OverlapMinArea, MultipliesInIntegersAndDividesLast) {
  StitchParams params = defaults();              // overlapFrom 10
  EXPECT_EQ(overlapMinArea({7, 3}, params), 2);  // 210 / 100, not (21 / 100) x 10
  EXPECT_EQ(overlapMinArea({64, 48}, params), 307);
  params.overlapFrom = 100;
  EXPECT_EQ(overlapMinArea({1024, 1024}, params), 1 << 20);
}

// A textured coarsest level: filtered noise, as the pyramid delivers it.
LumaImage coarseLevel(ImageSize size, std::uint32_t seed) {
  return filtered(test::noisePlane(size, seed), size);
}

// The new photograph that shows `previous` shifted: new (x, y) = previous (x + column, y + row)
// + brightness where that exists, other texture elsewhere.
LumaImage shiftedView(const LumaImage& previous, ImageSize size, int column, int row,
                      int brightness) {
  LumaImage view = coarseLevel(size, 99);
  for (int y = 0; y < size.height; ++y) {
    for (int x = 0; x < size.width; ++x) {
      const int sx = x + column;
      const int sy = y + row;
      if (sx < 0 || sx >= size.width || sy < 0 || sy >= size.height) continue;
      view[static_cast<std::size_t>(y * size.width + x)] = static_cast<std::int16_t>(
          previous[static_cast<std::size_t>(sy * size.width + sx)] + brightness);
    }
  }
  return view;
}

CoarseOffset search(const LumaImage& previous, const LumaImage& current, ImageSize size,
                    const StitchParams& params) {
  return coarseOverlapSearch(previous.data(), current.data(), size, overlapMinArea(size, params),
                             params);
}

TEST(CoarseOverlapSearch, FindsAKnownOffsetAndTheMeanDifference) {
  const ImageSize size{128, 96};
  const LumaImage previous = coarseLevel(size, 5);
  const LumaImage current = shiftedView(previous, size, 80, -6, 20);
  const CoarseOffset found = search(previous, current, size, defaults());
  EXPECT_EQ(found.column, 80);
  EXPECT_EQ(found.row, -6);
  EXPECT_DOUBLE_EQ(found.dx, -2.0 * 80 / 128);
  EXPECT_DOUBLE_EQ(found.dy, 2.0 * 6 / 128);  // divided by the width too
  EXPECT_DOUBLE_EQ(found.meanDiff, 20);
}

TEST(CoarseOverlapSearch, IdenticalPlanesWithCompleteOverlapAllowedGiveOffsetZero) {
  const ImageSize size{64, 48};
  const LumaImage plane = coarseLevel(size, 6);
  // Above 100 (a hand-edited profile) the search also starts at complete overlap, not left of
  // the previous plane.
  for (int overlapTo : {100, 150}) {
    SCOPED_TRACE(overlapTo);
    StitchParams params = defaults();
    params.overlapTo = overlapTo;
    const CoarseOffset found = search(plane, plane, size, params);
    EXPECT_EQ(found.column, 0);
    EXPECT_EQ(found.row, 0);
    EXPECT_EQ(found.dx, 0);
    EXPECT_EQ(found.meanDiff, 0);
  }
}

TEST(CoarseOverlapSearch, TiesKeepTheSmallestColumnAndWithinItTheLowestRow) {
  // Two flat planes score exactly 2 at every offset.
  const ImageSize size{64, 48};
  const LumaImage previous(64 * 48, 384 - 30);
  const LumaImage current(64 * 48, 384 + 30);
  const CoarseOffset found = search(previous, current, size, defaults());
  // Columns from 64 x 10 / 100 = 6; rows from -(48 - 32) = -16.
  EXPECT_EQ(found.column, 6);
  EXPECT_EQ(found.row, -16);
  EXPECT_DOUBLE_EQ(found.dy, 0.5);
  EXPECT_DOUBLE_EQ(found.meanDiff, 60);

  // With a large least area the rows start at rowsNeeded - H = 43 - 48 = -5, which covers
  // 64 x 43 = 2752 < 2764 pixels; the next visited row, -3, is the first accepted.
  StitchParams params = defaults();
  params.overlapFrom = 90;
  params.overlapTo = 100;
  const CoarseOffset tight = search(previous, current, size, params);
  EXPECT_EQ(tight.column, 0);
  EXPECT_EQ(tight.row, -3);
}

TEST(CoarseOverlapSearch, WithoutAnyAcceptableOffsetThePhotosLieOnEachOther) {
  const ImageSize size{64, 48};
  const LumaImage previous = coarseLevel(size, 7);
  const LumaImage current = shiftedView(previous, size, 20, 0, 30);
  for (auto [from, to] : {std::pair{100, 90}, std::pair{10, 0}, std::pair{10, -20}}) {
    SCOPED_TRACE(testing::Message() << "overlap from " << from << " to " << to);
    StitchParams params = defaults();
    params.overlapFrom = from;
    params.overlapTo = to;
    const CoarseOffset found = search(previous, current, size, params);
    EXPECT_EQ(found.dx, 0);
    EXPECT_EQ(found.dy, 0);
    EXPECT_EQ(found.meanDiff, 0);
  }
}

TEST(CoarseOverlapSearch, MeanRemovedScoringSeesThroughABrightnessChange) {
  const ImageSize size{128, 96};
  const LumaImage previous = coarseLevel(size, 9);
  const LumaImage current = shiftedView(previous, size, 70, 4, 150);
  StitchParams params = defaults();
  // The plain score prefers overlaps of equal brightness and is fooled here.
  ASSERT_NE(search(previous, current, size, params).column, 70);
  params.meanRemovedSearch = 1;
  const CoarseOffset found = search(previous, current, size, params);
  EXPECT_EQ(found.column, 70);
  EXPECT_EQ(found.row, 4);
  EXPECT_DOUBLE_EQ(found.meanDiff, 150);
}

// The search as plainly stated: every visited offset summed pixel by pixel in doubles, the first
// strictly lowest score kept.
CoarseOffset referenceSearch(const LumaImage& previous, const LumaImage& current, ImageSize size,
                             const StitchParams& params) {
  const int width = size.width;
  const int height = size.height;
  const std::int64_t minArea = overlapMinArea(size, params);
  const int verticalLimit = height - 2 * height / 3;
  double bestScore = 18000;
  CoarseOffset best;
  for (int column = std::max((100 - params.overlapTo) * width / 100, 0); column < width;
       column += 2) {
    for (int row = -verticalLimit; row <= verticalLimit; row += 2) {
      double difference = 0, energy = 0, squared = 0, pixels = 0;
      for (int y = std::max(-row, 0); y < height - std::max(row, 0); ++y) {
        for (int x = 0; x < width - column; ++x) {
          const double a = current[static_cast<std::size_t>(y * width + x)];
          const double b = previous[static_cast<std::size_t>((y + row) * width + x + column)];
          difference += a - b;
          energy += (a - 384) * (a - 384) + (b - 384) * (b - 384);
          squared += (a - b) * (a - b);
          ++pixels;
        }
      }
      if (pixels < static_cast<double>(minArea)) continue;
      const double mean = difference / pixels;
      const double score =
          params.meanRemovedSearch != 0 ? (squared - difference * mean) / energy : squared / energy;
      if (score < bestScore) {
        bestScore = score;
        best.column = column;
        best.row = row;
        best.meanDiff = mean;
      }
    }
  }
  return best;
}

TEST(CoarseOverlapSearch, ScoresEveryOffsetExactlyAsThePixelByPixelSums) {
  // Odd sizes, both scorings, planes within the pyramid's range and one far beyond it (the
  // search sums those differently), odd shifts that only every other offset comes near, and a
  // weak match so that many offsets score close to each other.
  const ImageSize size{61, 47};
  const LumaImage previous = coarseLevel(size, 21);
  LumaImage wide = previous;
  for (auto& value : wide) value = static_cast<std::int16_t>((value - 384) * 25 + 384);
  struct Case {
    const char* name;
    LumaImage previous;
    LumaImage current;
  };
  const Case cases[] = {
      {"narrow", previous, shiftedView(previous, size, 23, -5, 12)},
      {"wide", wide, shiftedView(wide, size, 31, 4, -900)},
      {"unrelated", previous, coarseLevel(size, 22)},
  };
  for (const Case& c : cases) {
    for (int meanRemoved : {0, 1}) {
      SCOPED_TRACE(testing::Message() << c.name << ", mean removed " << meanRemoved);
      StitchParams params = defaults();
      params.meanRemovedSearch = meanRemoved;
      params.overlapFrom = 5;
      const CoarseOffset expected = referenceSearch(c.previous, c.current, size, params);
      const CoarseOffset found = search(c.previous, c.current, size, params);
      EXPECT_EQ(found.column, expected.column);
      EXPECT_EQ(found.row, expected.row);
      EXPECT_EQ(found.meanDiff, expected.meanDiff);
    }
  }
}

}  // namespace
}  // namespace skylacer
