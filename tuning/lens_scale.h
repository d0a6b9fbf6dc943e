// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The Lens page's slider and its focal length (millimetres, 35 mm camera equivalent). The
// slider runs from 0 (wide-angle) to 300 (zoom) on a logarithmic scale of the focal length:
//   position s to focal length: ceil(A · e^(s / 90)) + 12, 13 mm below 1 and 200 mm above 299;
//   focal length f to position: ceil(90 · ln((f - 12) / A) + 1), 0 below 19 mm and 300 above
//   200 mm, at most 300;
// with A = 187 / e^(10/3). Both directions round up, so they are not exact inverses: 43 mm is
// position 140, and position 140 is 44 mm.

#include <array>

namespace skylacer::tuning {

inline constexpr int kLensSliderMax = 300;

int focalLengthFromSlider(int position);
int sliderFromFocalLength(int millimetres);

// The slider's tick marks: the positions of 13, 200, 20, 24, 28, 35, 43, 50, 55, 90 and 135 mm.
inline constexpr std::array<int, 11> kLensTickFocalLengths = {13, 200, 20, 24, 28, 35,
                                                              43, 50,  55, 90, 135};
std::array<int, 11> lensTickPositions();

}  // namespace skylacer::tuning
