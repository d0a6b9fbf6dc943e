// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Pictures and comparisons shared by the imaging tests.

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "tests/support/file_contents.h"

namespace skylacer::imaging::test {

// A packed 24-bit blue-green-red picture (stride 3 * width).
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> bytes;

  Picture() = default;
  Picture(int w, int h) : width(w), height(h), bytes(std::size_t{3} * w * h) {}

  int stride() const { return 3 * width; }
  std::uint8_t* pixel(int x, int y) { return bytes.data() + (std::size_t{3} * (y * width + x)); }
  const std::uint8_t* pixel(int x, int y) const {
    return bytes.data() + (std::size_t{3} * (y * width + x));
  }
  // A bitmap over these pixels; the picture must outlive it.
  std::unique_ptr<Bitmap> view() {
    return Bitmap::overPixels(bytes.data(), width, height, stride());
  }
};

// Smooth colour ramps and a gentle wave: every pixel differs from black and the content
// compresses like a photograph.
inline Picture gradientPicture(int width, int height) {
  Picture picture(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = picture.pixel(x, y);
      p[0] = static_cast<std::uint8_t>(40 + 180 * x / std::max(1, width - 1));
      p[1] = static_cast<std::uint8_t>(40 + 180 * y / std::max(1, height - 1));
      p[2] = static_cast<std::uint8_t>(128 + 60 * std::sin(0.2 * x) * std::cos(0.15 * y));
    }
  }
  return picture;
}

// Pseudo-random pixels: scaling errors cannot hide in flat areas.
inline Picture noisePicture(int width, int height, unsigned seed) {
  Picture picture(width, height);
  for (auto& byte : picture.bytes) {
    seed = seed * 1103515245u + 12345u;
    byte = static_cast<std::uint8_t>(seed >> 16);
  }
  return picture;
}

// The whole bitmap as it reads at its own size; `status` receives the call's status.
inline Picture readWhole(Bitmap& bitmap, ImagingStatus& status) {
  Picture picture(bitmap.width(), bitmap.height());
  status = bitmap.readPixels(picture.bytes.data(), picture.stride());
  return picture;
}

inline Picture readWhole(Bitmap& bitmap) {
  ImagingStatus status = ImagingStatus::Ok;
  Picture picture = readWhole(bitmap, status);
  EXPECT_EQ(status, ImagingStatus::Ok);
  return picture;
}

inline Picture readAtSize(Bitmap& bitmap, int width, int height, ImagingStatus& status) {
  Picture picture(width, height);
  status = bitmap.readScaled(picture.bytes.data(), width, height, picture.stride());
  return picture;
}

inline Picture readAtSize(Bitmap& bitmap, int width, int height) {
  ImagingStatus status = ImagingStatus::Ok;
  Picture picture = readAtSize(bitmap, width, height, status);
  EXPECT_EQ(status, ImagingStatus::Ok);
  return picture;
}

// Same size, and every byte within maxDifference of the other picture's and the mean absolute
// difference at most maxMean; reports the worst pixel otherwise.
inline testing::AssertionResult picturesClose(const Picture& actual, const Picture& expected,
                                              int maxDifference, double maxMean = 255.0) {
  if (actual.width != expected.width || actual.height != expected.height)
    return testing::AssertionFailure() << "size " << actual.width << "x" << actual.height
                                       << ", expected " << expected.width << "x" << expected.height;
  int worst = 0;
  std::size_t worstIndex = 0;
  double total = 0.0;
  for (std::size_t i = 0; i < actual.bytes.size(); ++i) {
    const int difference = std::abs(int{actual.bytes[i]} - int{expected.bytes[i]});
    total += difference;
    if (difference > worst) {
      worst = difference;
      worstIndex = i;
    }
  }
  const double mean = actual.bytes.empty() ? 0.0 : total / static_cast<double>(actual.bytes.size());
  if (worst <= maxDifference && mean <= maxMean) return testing::AssertionSuccess();
  const std::size_t pixelIndex = worstIndex / 3;
  return testing::AssertionFailure()
         << "worst difference " << worst << " at (" << pixelIndex % actual.width << ", "
         << pixelIndex / actual.width << ") channel " << worstIndex % 3 << ": "
         << int{actual.bytes[worstIndex]} << " vs " << int{expected.bytes[worstIndex]}
         << "; mean difference " << mean << " (allowed " << maxDifference << ", mean " << maxMean
         << ")";
}

using skylacer::test::fileBytes;
using skylacer::test::writeFile;

// The w x h rectangle of `picture` whose top left pixel is (x, y); it must lie inside.
inline Picture window(const Picture& picture, int x, int y, int w, int h) {
  Picture part(w, h);
  for (int row = 0; row < h; ++row)
    std::copy_n(picture.pixel(x, y + row), part.stride(), part.pixel(0, row));
  return part;
}

// The pixels of locked rows, packed.
inline Picture copyOfLocked(const LockedRows& locked) {
  Picture copy(locked.width, locked.height);
  for (int y = 0; y < locked.height; ++y)
    std::copy_n(locked.rows + y * locked.stride, copy.stride(), copy.pixel(0, y));
  return copy;
}

// The picture encoded as a JPEG file by the layer itself, returned as bytes.
inline std::vector<std::uint8_t> jpegBytes(Picture picture, const std::filesystem::path& path,
                                           int quality) {
  EXPECT_EQ(picture.view()->saveJpeg(path.string(), quality), ImagingStatus::Ok);
  return fileBytes(path);
}

// Pixels in a libpng format (PNG_FORMAT_BGR, PNG_FORMAT_GRAY, PNG_FORMAT_BGRA...) encoded as PNG
// bytes by libpng.
inline std::vector<std::uint8_t> pngBytes(const void* pixels, int width, int height,
                                          png_uint_32 format) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = format;
  png_alloc_size_t size = 0;
  EXPECT_NE(png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, nullptr), 0);
  std::vector<std::uint8_t> bytes(size);
  EXPECT_NE(png_image_write_to_memory(&image, bytes.data(), &size, 0, pixels, 0, nullptr), 0);
  bytes.resize(size);
  return bytes;
}

inline std::vector<std::uint8_t> pngBytes(const Picture& picture) {
  return pngBytes(picture.bytes.data(), picture.width, picture.height, PNG_FORMAT_BGR);
}

}  // namespace skylacer::imaging::test
