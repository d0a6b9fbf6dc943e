// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the viewer hands the renderer: textured quads and a camera. Plain C++, no GL.
//
// Scene frame (left-handed): the camera sits at the origin; up on screen is the part of the
// camera's up vector perpendicular to its direction, and right on screen is up × direction.

#include <array>

namespace skylacer::viewer::platform {

struct Vector3 {
  double x = 0, y = 0, z = 0;
};

// Position in the scene and texture coordinates: u grows to the right, v downwards (v = 0 is
// the texture's first row).
struct TexturedVertex {
  float x = 0, y = 0, z = 0;
  float u = 0, v = 0;
};

// One face: four vertices in order around its edge.
using TexturedQuad = std::array<TexturedVertex, 4>;

// The camera of one frame. field: the half-extent of the view at the front clipping distance
// 0.01 along the viewport's longer side, so 100 × field is the tangent of half the view angle
// along that side.
struct CameraFrame {
  Vector3 direction;
  Vector3 up;
  double field = 0;
};

}  // namespace skylacer::viewer::platform
