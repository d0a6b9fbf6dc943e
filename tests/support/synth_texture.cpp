// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/synth_texture.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace skylacer::test {

RgbImage noisePicture(ImageSize size, std::uint32_t seed) {
  std::mt19937 random(seed);
  const auto pixels = checkedElementCount(size, 1);
  std::vector<double> sum(pixels, 0.0);
  double weight = 1;
  double totalWeight = 0;
  for (int cell : {32, 16, 8, 4}) {
    const int columns = size.width / cell + 2;
    const int rows = size.height / cell + 2;
    std::vector<double> lattice(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
    // The engine's raw 32-bit output is fixed by the standard, unlike the distributions.
    for (auto& value : lattice) value = static_cast<double>(random()) / 4294967295.0;
    for (int y = 0; y < size.height; ++y) {
      const int gy = y / cell;
      const double fy = static_cast<double>(y % cell) / cell;
      for (int x = 0; x < size.width; ++x) {
        const int gx = x / cell;
        const double fx = static_cast<double>(x % cell) / cell;
        auto at = [&](int i, int j) {
          return lattice[static_cast<std::size_t>(j) * static_cast<std::size_t>(columns) +
                         static_cast<std::size_t>(i)];
        };
        const double value = (at(gx, gy) * (1 - fx) + at(gx + 1, gy) * fx) * (1 - fy) +
                             (at(gx, gy + 1) * (1 - fx) + at(gx + 1, gy + 1) * fx) * fy;
        sum[static_cast<std::size_t>(y) * static_cast<std::size_t>(size.width) +
            static_cast<std::size_t>(x)] += weight * value;
      }
    }
    totalWeight += weight;
    weight /= 2;
  }
  RgbImage picture = makeRgbImage(size);
  for (std::size_t i = 0; i < pixels; ++i) {
    const auto grey = static_cast<std::uint8_t>(
        std::clamp(std::lround(20 + 215 * sum[i] / totalWeight), 20L, 235L));
    picture[3 * i] = picture[3 * i + 1] = picture[3 * i + 2] = grey;
  }
  return picture;
}

LumaImage noisePlane(ImageSize size, std::uint32_t seed) {
  return makeLuma(noisePicture(size, seed), size);
}

}  // namespace skylacer::test
