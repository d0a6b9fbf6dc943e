// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>

#include "engine/camera.h"

namespace skylacer::test {

// A record in pair form whose new camera is turned right by `yaw` (radians) from the previous
// one at focal length `focal`, with no tilt and no roll.
inline CameraRecord turnRecord(double yaw, double focal) {
  CameraRecord record;
  record.focal = focal;
  record.axis = {-2 * focal * std::tan(yaw / 2), 0, 2 * focal};
  return record;
}

}  // namespace skylacer::test
