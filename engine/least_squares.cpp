// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/least_squares.h"

#include <cmath>
#include <cstddef>
#include <utility>

namespace skylacer {

NormalEquations::NormalEquations(int count)
    : unknowns(count),
      matrix(static_cast<std::size_t>(count) * static_cast<std::size_t>(count), 0.0),
      gradient(static_cast<std::size_t>(count), 0.0) {}

std::vector<double> dampedStep(const NormalEquations& equations, double damping) {
  const auto n = static_cast<std::size_t>(equations.unknowns);
  std::vector<double> a = equations.matrix;
  std::vector<double> b(n);
  for (std::size_t i = 0; i < n; ++i) {
    a[i * n + i] *= 1 + damping;
    b[i] = -equations.gradient[i];
  }
  std::vector<std::size_t> order(n);
  for (std::size_t i = 0; i < n; ++i) order[i] = i;
  std::vector<bool> solved(n, false);
  for (std::size_t column = 0; column < n; ++column) {
    std::size_t pivot = column;
    for (std::size_t row = column + 1; row < n; ++row)
      if (std::fabs(a[row * n + column]) > std::fabs(a[pivot * n + column])) pivot = row;
    if (!(std::fabs(a[pivot * n + column]) > 1e-300)) continue;
    if (pivot != column) {
      for (std::size_t k = 0; k < n; ++k) std::swap(a[pivot * n + k], a[column * n + k]);
      std::swap(b[pivot], b[column]);
    }
    solved[column] = true;
    for (std::size_t row = column + 1; row < n; ++row) {
      const double factor = a[row * n + column] / a[column * n + column];
      if (factor == 0) continue;
      for (std::size_t k = column; k < n; ++k) a[row * n + k] -= factor * a[column * n + k];
      b[row] -= factor * b[column];
    }
  }
  std::vector<double> step(n, 0.0);
  for (std::size_t column = n; column-- > 0;) {
    if (!solved[column]) continue;
    double sum = b[column];
    for (std::size_t k = column + 1; k < n; ++k) sum -= a[column * n + k] * step[k];
    step[column] = sum / a[column * n + column];
  }
  return step;
}

std::vector<double> invertedNormalMatrix(const NormalEquations& equations) {
  const auto n = static_cast<std::size_t>(equations.unknowns);
  std::vector<double> a = equations.matrix;
  std::vector<double> inverse(n * n, 0.0);
  for (std::size_t i = 0; i < n; ++i) inverse[i * n + i] = 1;
  // An unknown no residual depends on stays where it is: it takes no part.
  for (std::size_t i = 0; i < n; ++i)
    if (a[i * n + i] == 0) a[i * n + i] = 1;
  for (std::size_t column = 0; column < n; ++column) {
    std::size_t pivot = column;
    for (std::size_t row = column + 1; row < n; ++row)
      if (std::fabs(a[row * n + column]) > std::fabs(a[pivot * n + column])) pivot = row;
    if (!(std::fabs(a[pivot * n + column]) > 1e-300)) return {};
    for (std::size_t k = 0; k < n; ++k) {
      std::swap(a[pivot * n + k], a[column * n + k]);
      std::swap(inverse[pivot * n + k], inverse[column * n + k]);
    }
    const double scale = 1 / a[column * n + column];
    for (std::size_t k = 0; k < n; ++k) {
      a[column * n + k] *= scale;
      inverse[column * n + k] *= scale;
    }
    for (std::size_t row = 0; row < n; ++row) {
      if (row == column) continue;
      const double factor = a[row * n + column];
      if (factor == 0) continue;
      for (std::size_t k = 0; k < n; ++k) {
        a[row * n + k] -= factor * a[column * n + k];
        inverse[row * n + k] -= factor * inverse[column * n + k];
      }
    }
  }
  return inverse;
}

}  // namespace skylacer
