// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/exif_focal.h"

#include <algorithm>

#include "platform/imaging/bitmap.h"
#include "platform/imaging/focal_length.h"

namespace skylacer {

std::optional<double> exifFocal(std::span<imaging::Bitmap* const> photos) {
  if (photos.empty()) return std::nullopt;
  double least = 0;
  double most = 0;
  double sum = 0;
  for (std::size_t i = 0; i < photos.size(); ++i) {
    const imaging::Bitmap& photo = *photos[i];
    const std::optional<double> pixels =
        imaging::focalLengthPixels(photo.metadata().exif, photo.width(), photo.height());
    if (!pixels || photo.width() <= 0) return std::nullopt;
    const double focal = *pixels / (photo.width() / 2.0);
    least = i == 0 ? focal : std::min(least, focal);
    most = i == 0 ? focal : std::max(most, focal);
    sum += focal;
  }
  if (most > least * (1 + kMostExifFocalSpread)) return std::nullopt;
  return sum / static_cast<double>(photos.size());
}

}  // namespace skylacer
