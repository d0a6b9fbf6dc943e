// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/geometry.h"

#include <cmath>

namespace skylacer {

Matrix3 identityMatrix() {
  return {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
}

Matrix3 matrixFromRows(Vec3 row0, Vec3 row1, Vec3 row2) {
  return {{{row0.x, row0.y, row0.z}, {row1.x, row1.y, row1.z}, {row2.x, row2.y, row2.z}}};
}

Vec3 matrixRow(const Matrix3& m, int row) {
  const auto& r = m[static_cast<std::size_t>(row)];
  return {r[0], r[1], r[2]};
}

Matrix3 operator*(const Matrix3& a, const Matrix3& b) {
  Matrix3 product{};
  for (std::size_t i = 0; i < 3; ++i)
    for (std::size_t j = 0; j < 3; ++j)
      product[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j];
  return product;
}

Matrix3 transposed(const Matrix3& m) {
  Matrix3 t{};
  for (std::size_t i = 0; i < 3; ++i)
    for (std::size_t j = 0; j < 3; ++j) t[i][j] = m[j][i];
  return t;
}

Matrix3 rotationFromVector(Vec3 w) {
  const double angle = length(w);
  if (!(angle > 0)) return identityMatrix();
  const Vec3 k = normalized(w);
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  const double t = 1 - c;
  return {{{c + t * k.x * k.x, t * k.x * k.y - s * k.z, t * k.x * k.z + s * k.y},
           {t * k.x * k.y + s * k.z, c + t * k.y * k.y, t * k.y * k.z - s * k.x},
           {t * k.x * k.z - s * k.y, t * k.y * k.z + s * k.x, c + t * k.z * k.z}}};
}

}  // namespace skylacer
