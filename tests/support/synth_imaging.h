// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Real pictures for the synthesised series, through the imaging layer.

#include <filesystem>
#include <vector>

#include "engine/buffers.h"

namespace skylacer::test {

struct Picture {
  RgbImage pixels;
  ImageSize size;
};

// A photo file decoded at its own size; throws std::runtime_error when it cannot be read.
Picture loadPicture(const std::filesystem::path& path);

// The photo files decoded and set side by side, left to right (a texture whose scene jumps at
// each join); throws std::runtime_error when one cannot be read or their heights differ.
Picture sideBySide(const std::vector<std::filesystem::path>& paths);

// The picture as a camera would store it: encoded as JPEG at `quality` and decoded again.
RgbImage jpegRoundTrip(const RgbImage& pixels, ImageSize size, int quality);

// The photo files enlarged `factor` times and written into `dir` as JPEG files of the same names:
// photos large enough for the engine's buffers of their size to be mapped on their own. Throws
// std::runtime_error when one cannot be read or written.
std::vector<std::filesystem::path> writeEnlarged(const std::vector<std::filesystem::path>& photos,
                                                 int factor, const std::filesystem::path& dir);

// Writes a JPEG of a few hundred bytes whose header claims `side` x `side` pixels (a
// decompression bomb); throws std::runtime_error when it cannot be made.
void writeDecompressionBomb(const std::filesystem::path& file, int side);

}  // namespace skylacer::test
