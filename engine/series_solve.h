// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The series solve of the feature stage: one focal length and radial lens for the whole series
// and one rotation per photograph, fitted jointly to every estimated pair's matches, and each
// pair's rotation in the pair form the refinement continues from.

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "engine/camera.h"
#include "engine/pair_estimate.h"

namespace skylacer {

// Pairs 1..m: pair i joins photograph i (photograph 0 for a full circle's closing pair i = n)
// to photograph i - 1. A pair without an estimate takes no part.
struct SeriesLens {
  double focal = 0;   // half image widths
  double radial = 0;  // k1, as CameraRecord::radial
};
struct SeriesSolution {
  SeriesLens lens;
  // Per pair 1..m (index 0 unused): the pair rotation (new camera into previous camera) where
  // the pair had an estimate.
  std::vector<std::optional<Matrix3>> pairRotations;
  // Per pair 1..m: the standard deviation (radians) of the pair's turn about the vertical that
  // the fit leaves with the lens held, from the scatter of the matches about it: how well the
  // pair's overlap pins its turn down. 0 for a pair without an estimate; infinity where the fit
  // cannot tell.
  std::vector<double> turnDeviations;
  // Per pair 1..m: the same for the pair's roll, the turn about its mean line of sight that
  // tilts one photograph against the other.
  std::vector<double> rollDeviations;
  // The standard deviation of the focal length as a share of it (relative change); 0 when the
  // focal length was held, infinity where the fit cannot tell.
  double focalDeviation = 0;
};

// Fits absolute rotations (photograph 0 fixed), the focal length (unless fixedFocal > 0) and the
// radial lens (when fitRadial and the pairs hold at least kLeastMatchesForRadial inliers) to the
// inliers of every estimated pair by least squares, started from the median of the pairs' focal
// lengths and the chained pair rotations. A photograph joined to photograph 0 by no chain of
// estimated pairs keeps its pairs' own rotations. Nothing when no pair has an estimate.
constexpr int kLeastMatchesForRadial = 50;
std::optional<SeriesSolution> solveSeries(std::span<const std::optional<PairEstimate>> pairs,
                                          std::size_t photoCount, double fixedFocal,
                                          bool fitRadial);

// A record's axis and roll such that pairRotation gives `rotation` at the record's focal length
// (axis z = 2 x focal); the rest of the record is left as it is.
void setPairRotation(CameraRecord& record, const Matrix3& rotation);

}  // namespace skylacer
