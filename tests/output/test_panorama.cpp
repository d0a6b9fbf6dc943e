// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/output/test_panorama.h"

#include <algorithm>

#include "platform/imaging/bitmap.h"

namespace skylacer::test {

TestPanorama gradientPanorama(ImageSize size) {
  TestPanorama panorama{makeRgbImage(size), size};
  for (int y = 0; y < size.height; ++y)
    for (int x = 0; x < size.width; ++x) {
      std::uint8_t* pixel = &panorama.pixels[(std::size_t(y) * size.width + x) * 3];
      pixel[0] = static_cast<std::uint8_t>(x * 255 / std::max(size.width - 1, 1));
      pixel[1] = static_cast<std::uint8_t>(y * 255 / std::max(size.height - 1, 1));
      pixel[2] = 128;
    }
  return panorama;
}

ImageSize pictureSize(const std::filesystem::path& path) {
  const auto picture = imaging::Bitmap::fromFile(path.string());
  return {picture->width(), picture->height()};
}

double channelMean(const std::filesystem::path& path, int channel, int top, int bottom) {
  const auto picture = imaging::Bitmap::fromFile(path.string());
  const int width = picture->width();
  if (bottom < 0) bottom = picture->height();
  std::vector<std::uint8_t> pixels(std::size_t(width) * picture->height() * 3);
  if (width == 0 || picture->readPixels(pixels.data(), width * 3) != imaging::ImagingStatus::Ok)
    return -1;
  double sum = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < width; ++x) sum += pixels[(std::size_t(y) * width + x) * 3 + channel];
  return sum / (double(width) * (bottom - top));
}

}  // namespace skylacer::test
