// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/pixel_buffer.h"

#include <cstddef>

namespace skylacer::imaging {

PixelBuffer PixelBuffer::allocate(int width, int height) {
  PixelBuffer buffer;
  const std::size_t rowBytes = std::size_t{3} * static_cast<std::size_t>(width);
  buffer.bytes_.reset(
      static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(height), rowBytes)));
  if (buffer.bytes_ != nullptr) {
    buffer.width_ = width;
    buffer.height_ = height;
  }
  return buffer;
}

Plane PixelBuffer::plane() const {
  return {bytes_.get(), std::ptrdiff_t{3} * width_, width_, height_};
}

}  // namespace skylacer::imaging
