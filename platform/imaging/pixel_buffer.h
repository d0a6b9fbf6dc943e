// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

#include "platform/imaging/pixel_plane.h"

namespace skylacer::imaging {

// Zero-filled pixel memory owned by the imaging layer: width x height 24-bit pixels in packed
// rows (stride 3 * width). Fresh large blocks come from the system already zero, so pixels that
// a decoder never writes cost nothing and read as zero.
class PixelBuffer {
 public:
  // An empty buffer when the memory cannot be had. The size must already be checked against
  // kMaxPixels; width and height are positive.
  static PixelBuffer allocate(int width, int height);

  PixelBuffer() = default;

  bool empty() const { return bytes_ == nullptr; }
  Plane plane() const;

 private:
  struct FreeBytes {
    void operator()(std::uint8_t* bytes) const { std::free(bytes); }
  };

  std::unique_ptr<std::uint8_t, FreeBytes> bytes_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace skylacer::imaging
