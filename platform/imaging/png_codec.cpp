// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/png_codec.h"

#include <png.h>

#include <algorithm>
#include <array>

namespace skylacer::imaging {
namespace {

// Frees what libpng holds for an image however the decoding ends.
class PngImage {
 public:
  PngImage() { image_.version = PNG_IMAGE_VERSION; }
  ~PngImage() { png_image_free(&image_); }
  PngImage(const PngImage&) = delete;
  PngImage& operator=(const PngImage&) = delete;

  png_image* get() { return &image_; }

 private:
  png_image image_{};
};

// A PNG ends with an empty IEND chunk: its length, type and checksum.
constexpr std::array<std::uint8_t, 12> kEndChunk = {0,   0,   0,    0,    'I',  'E',
                                                    'N', 'D', 0xAE, 0x42, 0x60, 0x82};

// A failed decode of a file without its end chunk is put down to the file being cut short.
DataDamage damageOf(std::span<const std::uint8_t> bytes) {
  const bool ends = bytes.size() >= kEndChunk.size() &&
                    std::equal(kEndChunk.begin(), kEndChunk.end(), bytes.end() - kEndChunk.size());
  return ends ? DataDamage::Corrupt : DataDamage::Truncated;
}

}  // namespace

ImagingStatus decodePng(std::span<const std::uint8_t> bytes, const PictureHeader& header,
                        Plane target, DataDamage& damage) {
  damage = DataDamage::None;
  PngImage image;
  const bool headerRead =
      png_image_begin_read_from_memory(image.get(), bytes.data(), bytes.size()) != 0;
  if (headerRead && (image.get()->width != static_cast<png_uint_32>(header.width) ||
                     image.get()->height != static_cast<png_uint_32>(header.height) ||
                     target.width != header.width || target.height != header.height)) {
    damage = DataDamage::Corrupt;
    return ImagingStatus::GenericError;
  }
  image.get()->format = PNG_FORMAT_BGR;
  const png_color black{0, 0, 0};
  if (!headerRead || png_image_finish_read(image.get(), &black, target.pixels,
                                           static_cast<png_int_32>(target.stride), nullptr) == 0) {
    damage = damageOf(bytes);
    return ImagingStatus::GenericError;
  }
  return ImagingStatus::Ok;
}

}  // namespace skylacer::imaging
