// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The coarse search: where a new photograph lies over the previous one, found by trying every
// offset of the two planes on their coarsest pyramid level. It picks one correlation peak, so
// it is the pair estimate's fallback for pairs whose feature matches are too few, and the only
// estimate of the coarse-search profile.

#include <cstdint>

#include "engine/buffers.h"
#include "engine/params.h"
#include "engine/pyramid.h"

namespace skylacer {

// Least overlap area the coarse search accepts on a level of `size`:
// (height x overlapFrom x width) / 100, multiplied left to right in integers, divided last.
std::int64_t overlapMinArea(ImageSize size, const StitchParams& params);

// Where the new photograph lies over the previous one on the coarsest level.
struct CoarseOffset {
  // Offsets in normalised image coordinates (the width spans 2): -2 x column / width and
  // -2 x row / width.
  double dx = 0;
  double dy = 0;
  // Mean luminance difference, new minus previous, over the overlap.
  double meanDiff = 0;
  // The same offset in level pixels: new pixel (x, y) lies over previous pixel
  // (x + column, y + row).
  int column = 0;
  int row = 0;
};

// Exhaustive search over every other horizontal offset from (100 - overlapTo) % of the width
// and every other vertical offset within about a third of the height, keeping the first offset
// with the strictly lowest normalised difference among those whose overlap holds at least
// minArea pixels. No such offset gives (0, 0) with mean 0.
CoarseOffset coarseOverlapSearch(const std::int16_t* previous, const std::int16_t* current,
                                 ImageSize size, std::int64_t minArea, const StitchParams& params);

// coarseOverlapSearch on the coarsest level of a pair's pyramids, built with the same
// parameters (so their coarsest levels are the same size), with overlapMinArea of that level.
CoarseOffset searchCoarseOffset(const LumaPyramid& previous, const LumaPyramid& current,
                                const StitchParams& params);

}  // namespace skylacer
