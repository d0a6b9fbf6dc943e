#include "platform/imaging/png_codec.h"

#include <png.h>

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

}  // namespace

ImagingStatus decodePng(std::span<const std::uint8_t> bytes, const PictureHeader& header,
                        Plane target) {
  PngImage image;
  if (png_image_begin_read_from_memory(image.get(), bytes.data(), bytes.size()) == 0)
    return ImagingStatus::GenericError;
  if (image.get()->width != static_cast<png_uint_32>(header.width) ||
      image.get()->height != static_cast<png_uint_32>(header.height) ||
      target.width != header.width || target.height != header.height)
    return ImagingStatus::GenericError;
  image.get()->format = PNG_FORMAT_BGR;
  const png_color black{0, 0, 0};
  if (png_image_finish_read(image.get(), &black, target.pixels,
                            static_cast<png_int_32>(target.stride), nullptr) == 0)
    return ImagingStatus::GenericError;
  return ImagingStatus::Ok;
}

}  // namespace skylacer::imaging
