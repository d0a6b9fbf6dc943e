// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Views of 24-bit blue-green-red pixel rows, as the imaging layer passes them between its parts.

#include <cstddef>
#include <cstdint>

namespace skylacer::imaging {

// width x height pixels of 3 bytes (blue, green, red); row y starts at pixels + y * stride.
// The view owns nothing.
struct ConstPlane {
  const std::uint8_t* pixels = nullptr;
  std::ptrdiff_t stride = 0;  // bytes from one row to the next, at least 3 * width
  int width = 0;
  int height = 0;
};

struct Plane {
  std::uint8_t* pixels = nullptr;
  std::ptrdiff_t stride = 0;  // bytes from one row to the next, at least 3 * width
  int width = 0;
  int height = 0;

  operator ConstPlane() const { return {pixels, stride, width, height}; }
};

// A rectangle in pixels; x grows to the right, y downwards.
struct PixelRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

}  // namespace skylacer::imaging
