// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Pictures for the movie writer's tests, written through the imaging layer.

#include <cstdint>
#include <filesystem>
#include <vector>

namespace skylacer::test {

// A picture in memory: rows top to bottom, 3 bytes per pixel in blue-green-red order.
struct BgrPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

// A smooth synthetic pattern (gradients and a few bars), width x height.
BgrPicture patternPicture(int width, int height);

// A photograph of the bundled samples scaled to width x height.
BgrPicture photoPicture(int width, int height);

// The picture turned 90 degrees counter-clockwise (its left edge becomes the bottom), which is
// how the panorama is handed to the movie writer.
BgrPicture turnedUpright(const BgrPicture& panorama);

// Writes the picture as a JPEG file of the given quality.
void writeJpeg(const std::filesystem::path& path, const BgrPicture& picture, int quality = 95);

// Decodes a picture file.
BgrPicture readPicture(const std::filesystem::path& path);

// Peak signal-to-noise ratio in dB over all bytes of two pictures of one size.
double psnr(const BgrPicture& a, const BgrPicture& b);

}  // namespace skylacer::test
