#pragma once

// Three-dimensional vectors and 3 x 3 matrices of the camera model. Camera coordinates: x to
// the right, y downwards, the camera looking along +z. Products sum their terms in index order.

#include <array>

namespace skylacer {

struct Vec3 {
  double x = 0;
  double y = 0;
  double z = 0;
};

Vec3 operator+(Vec3 a, Vec3 b);
Vec3 operator-(Vec3 a, Vec3 b);
Vec3 operator*(double s, Vec3 v);
double dot(Vec3 a, Vec3 b);
double length(Vec3 v);
// v divided by its length (each component divided, not multiplied by the reciprocal).
Vec3 normalized(Vec3 v);

// Row-major: m[row][column].
using Matrix3 = std::array<std::array<double, 3>, 3>;

Matrix3 identityMatrix();
Matrix3 matrixFromRows(Vec3 row0, Vec3 row1, Vec3 row2);
Vec3 matrixRow(const Matrix3& m, int row);
Matrix3 operator*(const Matrix3& a, const Matrix3& b);
// m · v
Vec3 operator*(const Matrix3& m, Vec3 v);
// mᵀ · v
Vec3 transposedTimes(const Matrix3& m, Vec3 v);
Matrix3 transposed(const Matrix3& m);

}  // namespace skylacer
