// SPDX-License-Identifier: GPL-3.0-or-later
// The focal length the photographs' EXIF data give the alignment as its start.

#include "engine/exif_focal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "platform/imaging/bitmap.h"

namespace skylacer {
namespace {

std::unique_ptr<imaging::Bitmap> photoWith(std::optional<int> focal35mm) {
  auto photo = imaging::Bitmap::blank(1200, 900);
  imaging::PhotoMetadata metadata;
  metadata.exif.focalLength35mm = focal35mm;
  photo->setMetadata(metadata);
  return photo;
}

std::optional<double> focalOf(const std::vector<std::unique_ptr<imaging::Bitmap>>& photos) {
  std::vector<imaging::Bitmap*> views;
  for (const auto& photo : photos) views.push_back(photo.get());
  return exifFocal(views);
}

TEST(ExifFocal, SeedsOnlyWhereEveryPhotoGivesTheSameFocalLength) {
  std::vector<std::unique_ptr<imaging::Bitmap>> photos;
  photos.push_back(photoWith(55));
  photos.push_back(photoWith(55));
  // 55 mm on the 35 mm frame's diagonal (43.27 mm) over this photo's 1500-pixel diagonal, in
  // half widths.
  const std::optional<double> focal = focalOf(photos);
  ASSERT_TRUE(focal);
  EXPECT_NEAR(*focal, 55 * 1500 / std::hypot(36.0, 24.0) / 600, 1e-3);

  photos.push_back(photoWith(std::nullopt));
  EXPECT_FALSE(focalOf(photos)) << "one photo without a focal length";
  photos.back() = photoWith(58);
  EXPECT_FALSE(focalOf(photos)) << "a zoom moved between photos";
}

}  // namespace
}  // namespace skylacer
