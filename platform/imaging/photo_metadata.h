// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a photo file says about itself beyond its pixels, and how a JPEG we write carries part of
// it on: the colour profile and the capture date.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/imaging/exif.h"

namespace skylacer::imaging {

struct PhotoMetadata {
  ExifData exif;
  std::vector<std::uint8_t> iccProfile;  // empty when the photo has none

  friend bool operator==(const PhotoMetadata&, const PhotoMetadata&) = default;
};

// The encoded JPEG `jpeg` with the metadata's colour profile (APP2 chunks) and capture date (a
// minimal EXIF APP1 block) inserted after its start-of-image marker and its JFIF segment;
// unchanged when the metadata hold neither. Of the EXIF fields only the date is carried: the
// pixels are written upright and at another size than the photo's.
std::vector<std::uint8_t> withCarriedMetadata(std::span<const std::uint8_t> jpeg,
                                              const PhotoMetadata& metadata);

}  // namespace skylacer::imaging
