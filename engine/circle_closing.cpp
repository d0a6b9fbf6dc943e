// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/circle_closing.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/optional_progress.h"
#include "engine/pair_refinement.h"
#include "engine/series_cameras.h"

namespace skylacer {

namespace {

// The angle (radians) of the rotation left over when the pair rotations of a full circle's
// records 0..n are chained (records' rotations overwritten): 0 when the circle closes.
double circleResidual(std::span<CameraRecord> records) {
  chainRotations(records);
  const Matrix3& left = records.back().rotation;
  const double cosine = (left[0][0] + left[1][1] + left[2][2] - 1) / 2;
  return std::acos(std::clamp(cosine, -1.0, 1.0));
}

// The turn about the vertical left over when the pair rotations of records 0..n (a full circle,
// record n the closing pair) are chained at focal length `focal`: 0 when the circle closes.
double closingTurn(std::span<CameraRecord> records, double focal) {
  for (auto& record : records) {
    record.focal = focal;
    record.axis.z = 2 * focal;
  }
  chainRotations(records);
  const Vec3 forward = records.back().rotation * Vec3{0, 0, 1};
  return std::atan2(forward.x, forward.z);
}

}  // namespace

void closeCircle(std::span<CameraRecord> records) {
  if (records.size() < 2) return;
  const double mean = records.front().focal;
  double before = mean;
  double turnBefore = closingTurn(records, before);
  double focal = mean * (1 + kLensOutlierShare / 10);
  for (int step = 0; step < 6; ++step) {
    const double turn = closingTurn(records, focal);
    if (!(std::fabs(turn - turnBefore) > 0)) break;
    const double next = focal - turn * (focal - before) / (turn - turnBefore);
    before = focal;
    turnBefore = turn;
    focal = next;
  }
  if (!(std::fabs(focal / mean - 1) <= kLensOutlierShare)) focal = mean;
  closingTurn(records, focal);
}

void realignClosingPair(SeriesPyramids& pyramids, std::span<CameraRecord> records,
                        const StitchParams& params, IProgress* progress, TraceSink& trace) {
  const std::size_t n = records.size() - 1;
  if (n < 3) return;
  std::vector<CameraRecord> lens(records.begin(), records.end());
  averageLensWithoutOutliers(lens);
  CameraRecord turned = lens[n];
  turned.axis.x = lens[n - 1].axis.x;
  turned.axis.y = lens[n - 1].axis.y;
  turned.roll = 0;
  turned.distortion = 0;
  turned.fitDistortion = 0;
  turned.fitFocal = 0;
  const LumaPyramid& previous = pyramids.of(n - 1);
  const LumaPyramid& current = pyramids.of(0);
  pushRange(progress, 1.0, 1.0);
  finishCoarseToFine(previous, current, refinementLevel(previous, turned.axis.x, params) + 1,
                     turned, params, progress, trace);
  popRange(progress);
  const double ownResidual = circleResidual(lens);
  lens[n] = turned;
  if (circleResidual(lens) < ownResidual) records[n] = turned;
}

}  // namespace skylacer
