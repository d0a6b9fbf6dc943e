// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/memory_estimate.h"

#include <algorithm>

namespace skylacer {

namespace {

// The program itself, its libraries and the threads' stacks.
constexpr std::uint64_t kBaseBytes = std::uint64_t{256} << 20;
// What the alignment keeps of every photo until it ends: its reduced plane at a byte a pixel
// (at most 1 M pixels) or the points and descriptors the order search reads.
constexpr std::uint64_t kAlignmentBytesPerPhoto = std::uint64_t{2} << 20;
// The pair at hand: two reduced planes as the pyramids read them, their pyramids and features.
constexpr std::uint64_t kAlignmentPairBytes = std::uint64_t{64} << 20;
// The decoded photo, the canvas it is projected into, the closing copy of a full circle and
// the decoder's own rows.
constexpr std::uint64_t kFullSizeCopies = 4;
// The JPEG of the panorama and the encoder's buffers, a fraction of the pixels' bytes.
constexpr std::uint64_t kEncodedShareDivisor = 2;

std::uint64_t rgbBytes(ImageSize size) {
  return std::uint64_t(std::max(size.width, 0)) * std::uint64_t(std::max(size.height, 0)) * 3;
}

}  // namespace

std::uint64_t estimateStitchBytes(std::span<const ImageSize> photos) {
  std::uint64_t panorama = 0;
  std::uint64_t largest = 0;
  for (const ImageSize& photo : photos) {
    panorama += rgbBytes(photo);
    largest = std::max(largest, rgbBytes(photo));
  }
  return kBaseBytes + kAlignmentPairBytes + kAlignmentBytesPerPhoto * photos.size() + panorama +
         panorama / kEncodedShareDivisor + kFullSizeCopies * largest;
}

}  // namespace skylacer
