// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The focal length the photographs' own EXIF data give: the start the alignment takes where
// every photograph says the same, as users expect of photographs from one camera.

#include <optional>
#include <span>

namespace skylacer {

namespace imaging {
class Bitmap;
}

// Photographs whose focal lengths differ by more than this share were not taken with one lens
// setting; their EXIF data then seed nothing.
constexpr double kMostExifFocalSpread = 0.01;

// The focal length (half photo widths) every photograph's EXIF data give for it as delivered
// (turned), their mean; nothing when one gives none or they differ by more than
// kMostExifFocalSpread.
std::optional<double> exifFocal(std::span<imaging::Bitmap* const> photos);

}  // namespace skylacer
