#include "engine/series_realignment.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/coarse_search.h"
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

}  // namespace

void realignLensOutliers(SeriesPyramids& pyramids, std::span<CameraRecord> records,
                         const StitchParams& params, IProgress* progress, TraceSink& trace) {
  const double middle = medianFocal(records);
  if (middle == 0) return;
  std::vector<CameraRecord> lens(records.begin(), records.end());
  bool anyOutlier = false;
  bool anyInlier = false;
  for (const auto& record : records.subspan(1))
    (isLensOutlier(record, middle) ? anyOutlier : anyInlier) = true;
  if (!anyOutlier || !anyInlier) return;
  averageLensWithoutOutliers(lens);

  const std::size_t n = pyramids.count();
  for (std::size_t i = 1; i < records.size(); ++i) {
    if (!isLensOutlier(records[i], middle)) continue;
    const LumaPyramid& previous = pyramids.of(i - 1);
    const LumaPyramid& current = pyramids.of(i % n);
    CameraRecord held = records[i];
    held.focal = lens[i].focal;
    held.radial = lens[i].radial;
    held.distortion = 0;
    held.axis.z = 2 * held.focal;
    held.fitDistortion = 0;
    held.fitFocal = 0;
    // A second start from the coarse search's offset when it lies near the outlier's own
    // turn, refined with the lens held: the outlier's own record can lie in the other
    // solution's basin. Of the two, the one that fits the pixels both compare better on the
    // working size is kept. A search offset further away matched at another overlap, which the
    // outlier's own run already weighed against it.
    const CoarseOffset offset = searchCoarseOffset(previous, current, params);
    CameraRecord searched = held;
    const bool nearOwn =
        std::hypot(held.axis.x - offset.dx, held.axis.y - offset.dy) <= kOffsetDisagreement;
    pushRange(progress, 1.0, 1.0);
    const int level = refinementLevel(previous, held.axis.x, params);
    finishCoarseToFine(previous, current, level + 1, held, params, progress, trace);
    if (nearOwn) {
      const int searchedLevel = refinementLevel(previous, offset.dx, params);
      refineFromOffset(previous, current, offset, searchedLevel, searched, params, progress, trace);
      if (checkPair(searched) == PairCheck::Plausible) {
        finishCoarseToFine(previous, current, searchedLevel, searched, params, progress, trace);
        const CommonOverlapFit common = compareOnCommonOverlap(previous.level(0), current.level(0),
                                                               previous.size(0), held, searched);
        if (common.second < common.first) held = searched;
      }
    }
    popRange(progress);
    records[i] = held;
  }
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
