// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>

#include "platform/imaging/exif.h"

namespace skylacer::imaging {

// The focal length in pixels of a photo delivered at width x height pixels (after any turn: the
// result does not depend on it), from what its EXIF block says, or nothing when it does not say
// enough. Two ways, the first that applies:
//  1. From the sensor: FocalLength (mm) x FocalPlaneXResolution (pixels per unit, converted to
//     pixels per mm) gives the focal length in pixels at the size the camera recorded
//     (PixelXDimension x PixelYDimension), scaled to the delivered size by the long sides. Used
//     only when the recorded size has the delivered one's shape (the picture was scaled, not
//     cropped) and, where the 35 mm equivalent is also given, the two agree within
//     kMostSourceDisagreement: some cameras record the focal-plane resolution for another
//     picture size than the one they store.
//  2. From the 35 mm equivalent, which keeps the angle of view across the frame's diagonal:
//     f = f35 x (diagonal in pixels) / (diagonal of 36 x 24 mm, 43.27 mm). For a 3:2 picture this
//     is f35 x (long side) / 36; for a 4:3 one it is 4 % longer than that width-based reading.
// Results outside kLeastFocalPerLongSide..kMostFocalPerLongSide times the long side (angles of
// view no lens gives) are nothing.
std::optional<double> focalLengthPixels(const ExifData& exif, int width, int height);

inline constexpr double kMostSourceDisagreement = 0.1;
inline constexpr double kLeastFocalPerLongSide = 0.1;
inline constexpr double kMostFocalPerLongSide = 100;

}  // namespace skylacer::imaging
