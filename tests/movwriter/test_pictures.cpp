// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/movwriter/test_pictures.h"

#include <cmath>
#include <stdexcept>

#include "platform/imaging/bitmap.h"
#include "tests/support/samples.h"

namespace skylacer::test {

using imaging::Bitmap;
using imaging::ImagingStatus;

BgrPicture patternPicture(int width, int height) {
  BgrPicture picture{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* pixel = &picture.pixels[(std::size_t(y) * width + x) * 3];
      pixel[0] = std::uint8_t(255 * x / std::max(1, width - 1));
      pixel[1] = std::uint8_t(255 * y / std::max(1, height - 1));
      pixel[2] = (y / 16) % 4 == 0 ? 220 : 40;
    }
  }
  return picture;
}

BgrPicture photoPicture(int width, int height) {
  auto bitmap = Bitmap::fromFile(samplePhotos("mountains").at(0).string());
  BgrPicture picture{width, height, std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
  if (bitmap->readScaled(picture.pixels.data(), width, height, width * 3) != ImagingStatus::Ok)
    throw std::runtime_error("cannot read the sample photo");
  return picture;
}

BgrPicture turnedUpright(const BgrPicture& panorama) {
  BgrPicture upright{panorama.height, panorama.width,
                     std::vector<std::uint8_t>(panorama.pixels.size())};
  // upright(x', y') = panorama(x = W - 1 - y', y = x')
  for (int y = 0; y < upright.height; ++y)
    for (int x = 0; x < upright.width; ++x)
      for (int c = 0; c < 3; ++c)
        upright.pixels[(std::size_t(y) * upright.width + x) * 3 + c] =
            panorama.pixels[(std::size_t(x) * panorama.width + (panorama.width - 1 - y)) * 3 + c];
  return upright;
}

void writeJpeg(const std::filesystem::path& path, const BgrPicture& picture, int quality) {
  std::vector<std::uint8_t> pixels = picture.pixels;
  auto bitmap = Bitmap::overPixels(pixels.data(), picture.width, picture.height, picture.width * 3);
  if (bitmap->saveJpeg(path.string(), quality) != ImagingStatus::Ok)
    throw std::runtime_error("cannot write " + path.string());
}

BgrPicture readPicture(const std::filesystem::path& path) {
  auto bitmap = Bitmap::fromFile(path.string());
  BgrPicture picture{bitmap->width(), bitmap->height(), {}};
  picture.pixels.resize(std::size_t(picture.width) * picture.height * 3);
  if (bitmap->readPixels(picture.pixels.data(), picture.width * 3) != ImagingStatus::Ok)
    throw std::runtime_error("cannot read " + path.string());
  return picture;
}

double psnr(const BgrPicture& a, const BgrPicture& b) {
  if (a.width != b.width || a.height != b.height) throw std::runtime_error("sizes differ");
  double squares = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) {
    const double difference = double(a.pixels[i]) - double(b.pixels[i]);
    squares += difference * difference;
  }
  const double meanSquare = squares / double(a.pixels.size());
  return meanSquare == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / meanSquare);
}

}  // namespace skylacer::test
