// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Damped Gauss-Newton (Levenberg-Marquardt) steps for the small least-squares fits of the
// feature stages.

#include <cstddef>
#include <vector>

namespace skylacer {

// Normal equations of a least-squares problem with `unknowns` parameters: the matrix JᵀJ
// (unknowns x unknowns, row by row) and the vector Jᵀr, summed over residual blocks.
struct NormalEquations {
  explicit NormalEquations(int unknowns);
  int unknowns;
  std::vector<double> matrix;
  std::vector<double> gradient;
  // Adds one residual's row of the Jacobian (over the unknowns listed in `columns`, with the
  // matching derivatives) and its value. Inline: the fits add a row for every pixel of a patch
  // and every match, and a caller's fixed columns then need no lookup.
  void add(const int* columns, const double* derivatives, int count, double residual) {
    const auto n = static_cast<std::size_t>(unknowns);
    for (int i = 0; i < count; ++i) {
      const auto row = static_cast<std::size_t>(columns[i]);
      gradient[row] += derivatives[i] * residual;
      for (int j = 0; j < count; ++j)
        matrix[row * n + static_cast<std::size_t>(columns[j])] += derivatives[i] * derivatives[j];
    }
  }
};

// The step δ solving (JᵀJ + damping · diag(JᵀJ)) δ = -Jᵀr by Gaussian elimination with partial
// pivoting; an unknown whose pivot vanishes (no residual depends on it) does not move.
std::vector<double> dampedStep(const NormalEquations& equations, double damping);

// The inverse of the normal matrix (Gauss-Jordan with partial pivoting), row by row: times the
// residuals' variance it is the covariance of the unknowns. An unknown no residual depends on
// gets variance 1 and no covariance. Empty when the matrix is singular otherwise.
std::vector<double> invertedNormalMatrix(const NormalEquations& equations);

}  // namespace skylacer
