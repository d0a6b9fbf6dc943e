// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Three-dimensional vectors and 3 x 3 matrices of the camera model. Camera coordinates: x to
// the right, y downwards, the camera looking along +z. Products sum their terms in index order.

#include <array>
#include <cmath>

namespace skylacer {

struct Vec3 {
  double x = 0;
  double y = 0;
  double z = 0;
};

// The small operations are inline: the refinement applies them to every sample of a plane.
inline Vec3 operator+(Vec3 a, Vec3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(double s, Vec3 v) {
  return {s * v.x, s * v.y, s * v.z};
}
inline double dot(Vec3 a, Vec3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(Vec3 v) {
  return std::sqrt(dot(v, v));
}
// v divided by its length (each component divided, not multiplied by the reciprocal).
inline Vec3 normalized(Vec3 v) {
  const double norm = length(v);
  return {v.x / norm, v.y / norm, v.z / norm};
}

// Row-major: m[row][column].
using Matrix3 = std::array<std::array<double, 3>, 3>;

Matrix3 identityMatrix();
Matrix3 matrixFromRows(Vec3 row0, Vec3 row1, Vec3 row2);
Vec3 matrixRow(const Matrix3& m, int row);
Matrix3 operator*(const Matrix3& a, const Matrix3& b);
// m · v
inline Vec3 operator*(const Matrix3& m, Vec3 v) {
  return {m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z,
          m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z,
          m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z};
}
// mᵀ · v
inline Vec3 transposedTimes(const Matrix3& m, Vec3 v) {
  return {m[0][0] * v.x + m[1][0] * v.y + m[2][0] * v.z,
          m[0][1] * v.x + m[1][1] * v.y + m[2][1] * v.z,
          m[0][2] * v.x + m[1][2] * v.y + m[2][2] * v.z};
}
Matrix3 transposed(const Matrix3& m);
// The rotation by |w| radians about the axis w (right-handed); the identity for w = 0.
Matrix3 rotationFromVector(Vec3 w);

}  // namespace skylacer
