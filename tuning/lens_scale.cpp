// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/lens_scale.h"

#include <algorithm>
#include <cmath>

namespace skylacer::tuning {

namespace {

const double kScale = 187.0 / std::exp(10.0 / 3.0);  // A, millimetres

}  // namespace

int focalLengthFromSlider(int position) {
  if (position < 1) return 13;
  if (position > 299) return 200;
  return static_cast<int>(std::ceil(kScale * std::exp(position / 90.0))) + 12;
}

int sliderFromFocalLength(int millimetres) {
  if (millimetres < 19) return 0;
  if (millimetres > 200) return kLensSliderMax;
  const double position = std::ceil(90.0 * std::log((millimetres - 12) / kScale) + 1.0);
  return std::min(static_cast<int>(position), kLensSliderMax);
}

std::array<int, 11> lensTickPositions() {
  std::array<int, 11> positions{};
  std::transform(kLensTickFocalLengths.begin(), kLensTickFocalLengths.end(), positions.begin(),
                 sliderFromFocalLength);
  return positions;
}

}  // namespace skylacer::tuning
