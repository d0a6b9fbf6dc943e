// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The finished panorama as every output reads it, and the size and quality it is written at.

#include <cstdint>

#include "engine/buffers.h"
#include "platform/imaging/photo_metadata.h"

namespace skylacer::output {

// The program's value of π: every conversion between radians and degrees uses it, so a whole
// turn of exactly 2π comes out just above 360 degrees.
inline constexpr double kProgramPi = 3.14159265358979;

struct PanoramaView {
  // size.width x size.height x 3 bytes, blue-green-red, rows top to bottom with no gap; owned
  // by the caller and only read.
  const std::uint8_t* pixels = nullptr;
  ImageSize size;
  double fieldOfView = kProgramPi;  // horizontal, radians
  // The first photo's colour profile and capture date, which the saved JPEG carries; none when
  // null. Owned by the caller.
  const imaging::PhotoMetadata* metadata = nullptr;
};

struct OutputOptions {
  ImageSize size;    // W' x H', pixels
  int quality = 75;  // JPEG quality 0-100
};

}  // namespace skylacer::output
