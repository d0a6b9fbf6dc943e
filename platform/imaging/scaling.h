// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

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

}  // namespace skylacer::imaging
