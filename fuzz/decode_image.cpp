// SPDX-License-Identifier: GPL-3.0-or-later
// Decodes untrusted bytes as a photo: header (with its EXIF block and colour profile), full
// pixels, a reduced copy and a locked view, with the rotate/flip code taken from the input's
// length; the bytes are also read as a bare EXIF block. Nothing touches the disk.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "platform/imaging/exif.h"
#include "platform/imaging/focal_length.h"

namespace {

// Pixel reads are skipped above this size: a few bytes may honestly claim a picture of up to
// kMaxPixels, whose decode needs more memory than a fuzzing run is given.
constexpr std::int64_t kMaxFuzzedPixels = std::int64_t{1} << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using skylacer::imaging::Bitmap;
  using skylacer::imaging::ImagingStatus;

  const skylacer::imaging::ExifData bare = skylacer::imaging::readExif({data, size});
  skylacer::imaging::focalLengthPixels(bare, 4000, 3000);

  auto bitmap = Bitmap::fromMemory(std::vector<std::uint8_t>(data, data + size));
  if (bitmap->lastStatus() != ImagingStatus::Ok) return 0;
  skylacer::imaging::focalLengthPixels(bitmap->metadata().exif, bitmap->width(), bitmap->height());
  bitmap->rotateFlip(static_cast<int>(size % skylacer::imaging::kRotateFlipCodes));
  const int width = bitmap->width();
  const int height = bitmap->height();
  if (std::int64_t{width} * height > kMaxFuzzedPixels) return 0;

  std::vector<std::uint8_t> pixels(std::size_t{3} * static_cast<std::size_t>(width) *
                                   static_cast<std::size_t>(height));
  bitmap->readPixels(pixels.data(), 3 * width);

  const int reducedWidth = width / 4 > 0 ? width / 4 : 1;
  const int reducedHeight = height / 4 > 0 ? height / 4 : 1;
  bitmap->readScaled(pixels.data(), reducedWidth, reducedHeight, 3 * reducedWidth);

  skylacer::imaging::LockedRows locked;
  if (bitmap->lockRows(locked) == ImagingStatus::Ok) {
    pixels[0] = locked.rows[static_cast<std::size_t>(locked.height - 1) * locked.stride];
    bitmap->unlockRows();
  }
  return 0;
}
