// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The camera as OpenGL matrices (column-major, as glLoadMatrixf takes them).

#include <array>

#include "viewer/platform/scene_types.h"

namespace skylacer::viewer::platform {

using Matrix4 = std::array<float, 16>;

inline constexpr double kFrontClip = 0.01;
inline constexpr double kBackClip = 100;

// Scene frame to OpenGL eye space (x right, y up, looking along -z): right on screen is
// up × direction, up is the part of the camera's up vector perpendicular to its direction.
// The scene frame is left-handed, so the matrix includes a reflection (determinant -1).
Matrix4 viewMatrix(const CameraFrame& camera);

// Perspective from the camera's field: half-extent `field` at the front clipping distance
// along the viewport's longer side, the other side in proportion; clipping at 0.01 and 100.
Matrix4 projectionMatrix(double field, int viewportWidth, int viewportHeight);

}  // namespace skylacer::viewer::platform
