// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/coarse_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "tests/support/synth_texture.h"

namespace skylacer {
namespace {

StitchParams defaults() {
  return paramsFromProfileText(kDefaultProfileText);
}

// A textured coarsest level: filtered noise, as the pyramid delivers it.
LumaImage coarseLevel(ImageSize size, std::uint32_t seed) {
  LumaImage plane = test::noisePlane(size, seed);
  highPassFilter(plane.data(), size);
  return plane;
}

TEST(OverlapMinArea, MultipliesInIntegersAndDividesLast) {
  StitchParams params = defaults();              // overlapFrom 10
  EXPECT_EQ(overlapMinArea({7, 3}, params), 2);  // 210 / 100, not (21 / 100) x 10
  EXPECT_EQ(overlapMinArea({64, 48}, params), 307);
  params.overlapFrom = 100;
  EXPECT_EQ(overlapMinArea({1024, 1024}, params), 1 << 20);
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
