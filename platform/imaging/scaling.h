// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

#include "platform/imaging/orientation.h"
#include "platform/imaging/pixel_plane.h"

namespace skylacer::imaging {

// Draws the whole of `upright`, oriented by `orientation` and scaled to placement.width x
// placement.height, at placement's position in `target`; only the part that lies inside the
// target is computed and written. Along each axis a reduction averages areas with exact overlap
// weights (also for ratios that are not whole numbers), an enlargement interpolates linearly
// between the two nearest sample centres (clamped at the edges), and an equal length copies.
// placement.width and height are positive; throws std::bad_alloc when its work rows (one row of
// the source's width, one of the placement's) cannot be had.
void drawOrientedScaled(ConstPlane upright, Orientation orientation, Plane target,
                        PixelRect placement);

// A picture reduced by the same power of two, 2 to 16, along both axes as its rows arrive, so
// that the rows need not be held: each target pixel the rounded mean of its block, summed in
// integers. The bytes are those drawOrientedScaled draws for the same reduction.
class BlockMeans {
 public:
  // A block's sum of 255s stays within the 16 bits of a column sum.
  static constexpr int kLargestFactor = 16;
  // Whether sourceWidth x sourceHeight reduces so to targetWidth x targetHeight.
  static bool reduces(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight);

  // Into `target`, from rows of factor * target.width pixels; throws std::bad_alloc when its
  // row of column sums cannot be had.
  BlockMeans(Plane target, int factor);
  // The next source row: every factor-th completes a target row.
  void add(const std::uint8_t* row);

 private:
  Plane target_;
  int factor_;
  int rowsIn_ = 0;
  std::vector<std::uint16_t> columnSums_;
};

}  // namespace skylacer::imaging
