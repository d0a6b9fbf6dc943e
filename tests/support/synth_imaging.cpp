#include "tests/support/synth_imaging.h"

#include <stdexcept>

#include "platform/imaging/bitmap.h"
#include "tests/support/temp_dir.h"

namespace skylacer::test {

using imaging::Bitmap;
using imaging::ImagingStatus;

Picture loadPicture(const std::filesystem::path& path) {
  const auto bitmap = Bitmap::fromFile(path.string());
  const ImageSize size{bitmap->width(), bitmap->height()};
  if (bitmap->lastStatus() != ImagingStatus::Ok || size.width == 0 || size.height == 0)
    throw std::runtime_error("cannot decode " + path.string());
  Picture picture{imageToRgb(*bitmap, size, true), size};
  if (bitmap->lastStatus() != ImagingStatus::Ok)
    throw std::runtime_error("cannot read the pixels of " + path.string());
  return picture;
}

RgbImage jpegRoundTrip(const RgbImage& pixels, ImageSize size, int quality) {
  const TempDir dir;
  const auto file = (dir / "photo.jpg").string();
  RgbImage copy = pixels;  // the bitmap may not write, but its view is over mutable pixels
  const auto view = Bitmap::overPixels(copy.data(), size.width, size.height, 3 * size.width);
  if (view->saveJpeg(file, quality) != ImagingStatus::Ok)
    throw std::runtime_error("cannot encode a JPEG");
  return loadPicture(file).pixels;
}

}  // namespace skylacer::test
