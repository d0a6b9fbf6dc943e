// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/synth_imaging.h"

#include <cstring>
#include <stdexcept>

#include "platform/imaging/bitmap.h"
#include "tests/support/file_contents.h"
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

Picture sideBySide(const std::vector<std::filesystem::path>& paths) {
  std::vector<Picture> parts;
  for (const auto& path : paths) parts.push_back(loadPicture(path));
  if (parts.empty()) throw std::runtime_error("no photos to set side by side");
  const int height = parts.front().size.height;
  int width = 0;
  for (const auto& part : parts) {
    if (part.size.height != height)
      throw std::runtime_error("photos side by side differ in height");
    width += part.size.width;
  }
  Picture joined{makeRgbImage({width, height}), {width, height}};
  int left = 0;
  for (const auto& part : parts) {
    for (int r = 0; r < height; ++r)
      std::memcpy(&joined.pixels[(static_cast<std::size_t>(r) * width + left) * 3],
                  &part.pixels[static_cast<std::size_t>(r) * part.size.width * 3],
                  static_cast<std::size_t>(part.size.width) * 3);
    left += part.size.width;
  }
  return joined;
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

std::vector<std::filesystem::path> writeEnlarged(const std::vector<std::filesystem::path>& photos,
                                                 int factor, const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> files;
  for (const auto& photo : photos) {
    const auto bitmap = Bitmap::fromFile(photo.string());
    const auto enlarged = Bitmap::blank(factor * bitmap->width(), factor * bitmap->height());
    files.push_back(dir / photo.filename());
    if (enlarged->drawScaled(*bitmap, 0, 0, enlarged->width(), enlarged->height()) !=
            ImagingStatus::Ok ||
        enlarged->saveJpeg(files.back().string(), 90) != ImagingStatus::Ok)
      throw std::runtime_error("cannot enlarge " + photo.string());
  }
  return files;
}

void writeDecompressionBomb(const std::filesystem::path& file, int side) {
  const auto small = Bitmap::blank(16, 16);
  std::vector<std::uint8_t> bytes;
  if (small->encodeJpeg(bytes) != ImagingStatus::Ok)
    throw std::runtime_error("cannot encode a small JPEG");
  // The frame header: FF C0, length, precision, then the height and the width.
  for (std::size_t i = 0; i + 8 < bytes.size(); ++i) {
    if (bytes[i] != 0xFF || bytes[i + 1] != 0xC0) continue;
    for (const std::size_t at : {i + 5, i + 7}) {
      bytes[at] = static_cast<std::uint8_t>(side >> 8);
      bytes[at + 1] = static_cast<std::uint8_t>(side & 0xFF);
    }
    writeFile(file, bytes);
    return;
  }
  throw std::runtime_error("no frame header in the small JPEG");
}

}  // namespace skylacer::test
