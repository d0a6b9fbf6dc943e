// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Panoramas made for the output tests, and what the outputs leave on disk (picture sizes,
// channel means).

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/buffers.h"
#include "output/panorama.h"

namespace skylacer::test {

// A W x H picture whose blue byte rises from 0 at the left edge to 255 at the right one and
// whose green byte does the same from top to bottom (red 128).
struct TestPanorama {
  RgbImage pixels;
  ImageSize size;
  output::PanoramaView view(double fieldOfView = output::kProgramPi) const {
    return {pixels.data(), size, fieldOfView};
  }
};
TestPanorama gradientPanorama(ImageSize size);

// The size of a picture file; 0 x 0 when it cannot be decoded.
ImageSize pictureSize(const std::filesystem::path& path);

// The mean of one channel (0 blue, 1 green, 2 red) over the rows [top, bottom) of a picture
// file; -1 when it cannot be decoded.
double channelMean(const std::filesystem::path& path, int channel, int top = 0, int bottom = -1);

}  // namespace skylacer::test
