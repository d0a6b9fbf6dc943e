// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// An offscreen picture to draw into and compress from: width x height pixels of 24 bits in
// red-green-blue byte order, rows top to bottom, packed (3 * width bytes per row).

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace skylacer::toolbox {

class Offscreen {
 public:
  // A zero-filled picture. Throws MovieToolboxError (paramErr) for a size below 1 x 1 or one
  // whose byte count overflows; std::bad_alloc when the memory is not there.
  Offscreen(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  std::size_t stride() const { return std::size_t(width_) * 3; }
  std::uint8_t* row(int y) { return pixels_.data() + std::size_t(y) * stride(); }
  const std::uint8_t* row(int y) const { return pixels_.data() + std::size_t(y) * stride(); }

 private:
  int width_;
  int height_;
  std::vector<std::uint8_t> pixels_;
};

}  // namespace skylacer::toolbox
