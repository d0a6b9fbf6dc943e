// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pair_evidence.h"

#include <algorithm>

#include "engine/pair_estimate.h"

namespace skylacer {

int inliersExplained(const CameraRecord& record, std::span<const FeatureMatch> inliers) {
  const Matrix3 rotation = pairRotation(record);
  constexpr double limit = 4 * kInlierDistance * kInlierDistance;
  return static_cast<int>(std::count_if(inliers.begin(), inliers.end(), [&](const FeatureMatch& m) {
    return matchErrorSquared(m, rotation, record.focal, record.radial) < limit;
  }));
}

void measureOverlap(const LumaPyramid& previous, const LumaPyramid& current,
                    const CameraRecord& record, PairEvidence& evidence) {
  int level = 0;
  while (level < previous.coarsestLevel() && previous.size(level).width > 512) ++level;
  const ImageSize size = previous.size(level);
  const OverlapCorrelation own =
      correlateOverlap(previous.level(level), current.level(level), size, record);
  evidence.correlation = own.correlation;
  evidence.compared = own.compared;
  evidence.nearCorrelation = -1;
  // Six pixels of this level, in normalised units along the axis.
  const double shift = 12.0 / size.width;
  for (const Vec3 move :
       {Vec3{shift, 0, 0}, Vec3{-shift, 0, 0}, Vec3{0, shift, 0}, Vec3{0, -shift, 0}}) {
    CameraRecord moved = record;
    moved.axis = moved.axis + move;
    evidence.nearCorrelation = std::max(
        evidence.nearCorrelation,
        correlateOverlap(previous.level(level), current.level(level), size, moved).correlation);
  }
}

}  // namespace skylacer
