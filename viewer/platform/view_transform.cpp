// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/platform/view_transform.h"

#include <cmath>

namespace skylacer::viewer::platform {
namespace {

double dot(Vector3 a, Vector3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

Vector3 scaled(Vector3 a, double factor) { return {a.x * factor, a.y * factor, a.z * factor}; }

Vector3 normalised(Vector3 a) {
  const double length = std::sqrt(dot(a, a));
  return length > 0 ? scaled(a, 1 / length) : a;
}

Vector3 cross(Vector3 a, Vector3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

}  // namespace

Matrix4 viewMatrix(const CameraFrame& camera) {
  const Vector3 d = normalised(camera.direction);
  const double along = dot(camera.up, d);
  const Vector3 u = normalised({camera.up.x - along * d.x, camera.up.y - along * d.y,
                                camera.up.z - along * d.z});
  const Vector3 r = cross(u, d);
  // Rows: right, up, -direction.
  return {static_cast<float>(r.x), static_cast<float>(u.x), static_cast<float>(-d.x), 0,
          static_cast<float>(r.y), static_cast<float>(u.y), static_cast<float>(-d.y), 0,
          static_cast<float>(r.z), static_cast<float>(u.z), static_cast<float>(-d.z), 0,
          0, 0, 0, 1};
}

Matrix4 projectionMatrix(double field, int viewportWidth, int viewportHeight) {
  double halfWidth = field;
  double halfHeight = field;
  if (viewportWidth >= viewportHeight && viewportWidth > 0)
    halfHeight = field * viewportHeight / viewportWidth;
  else if (viewportHeight > 0)
    halfWidth = field * viewportWidth / viewportHeight;
  const double n = kFrontClip;
  const double f = kBackClip;
  Matrix4 m{};
  m[0] = static_cast<float>(n / halfWidth);
  m[5] = static_cast<float>(n / halfHeight);
  m[10] = static_cast<float>(-(f + n) / (f - n));
  m[11] = -1;
  m[14] = static_cast<float>(-2 * f * n / (f - n));
  return m;
}

}  // namespace skylacer::viewer::platform
