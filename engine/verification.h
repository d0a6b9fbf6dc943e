// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Verification: how sure the alignment is of each neighbouring pair, and whether the series as
// aligned can be stitched at all. A series that fails is refused with the pair or the photos
// named, instead of becoming a wrong panorama.

#include <optional>
#include <span>
#include <vector>

#include "engine/buffers.h"
#include "engine/camera.h"

namespace skylacer {

// What the alignment found for pair i (photograph i, or 0 for a full circle's closing pair,
// joined to photograph i - 1).
struct PairEvidence {
  int inliers = 0;            // feature matches the pair estimate explained (0: no estimate)
  int inliersKept = 0;        // of those, how many the final pair rotation still explains
  double turnDeviation = 0;   // standard deviation of the estimated turn (radians; see solveSeries)
  double rollDeviation = 0;   // and of its roll
  double focalDeviation = 0;  // the series' focal length's, as a share of it (see solveSeries)
  double correlation = 0;     // overlap correlation of the final pair rotation (-1..1)
  double nearCorrelation = 0;  // the highest one with the rotation moved by a few pixels
  int compared = 0;            // overlap pixels the correlation compared
};

// 0..1: how sure the alignment is of a pair; kSureConfidence and above are sure.
//  - A pair with a feature estimate: half the smallest of (share of its inliers the final
//    rotation still explains) / kLeastKeptShare, kMostTurnDeviation / (its turn deviation and
//    its roll deviation) and kMostFocalDeviation / (the series' focal deviation). Sure while at
//    least kLeastKeptShare of its matches agree, they pin its turn and roll down to
//    kMostTurnDeviation and the series' matches pin the focal length down to
//    kMostFocalDeviation (one standard deviation each).
//  - A pair without one (the coarse search's): half the smaller of correlation /
//    kLeastCorrelation and (correlation - nearCorrelation) / (1 - nearCorrelation) /
//    kLeastCorrelationPeak: its overlap must correlate well, and clearly better where it was put
//    than a few pixels away (a peak, not a plateau of cloud or water).
//  - 0 for a pair whose correlation compared fewer than kLeastComparedPixels.
constexpr double kSureConfidence = 0.5;
constexpr double kLeastKeptShare = 0.8;
constexpr double kMostTurnDeviation = 0.05 * 3.14159265358979323846 / 180;
constexpr double kMostFocalDeviation = 0.0025;
constexpr double kLeastCorrelation = 0.6;
constexpr double kLeastCorrelationPeak = 0.25;
constexpr int kLeastComparedPixels = 500;
double pairConfidence(const PairEvidence& evidence);

// Why a series cannot be stitched as aligned.
enum class AlignmentProblem {
  TooLittleDetail,  // a pair (firstPhoto, secondPhoto) could not be aligned with confidence
  UncertainLens,    // the matches do not pin the focal length down; the weakest pair is named
  WrongOrder,       // the photos turn left somewhere: `order` is the order found
  NotAFullCircle,   // a full circle was asked for and the photos cover `coveredDegrees`
  DifferentSize,    // photograph firstPhoto is `size`, photograph 0 `expectedSize`
};
struct AlignmentRefusal {
  AlignmentProblem problem = AlignmentProblem::TooLittleDetail;
  int firstPhoto = 0;  // 0-based photograph indices of the failing pair
  int secondPhoto = 0;
  std::vector<int> order;  // 0-based photograph indices, left to right
  double coveredDegrees = 0;
  ImageSize size;
  ImageSize expectedSize;
};

// Whether a series the verification is not sure of is refused or stitched all the same.
enum class AlignmentCheck { Refuse, StitchAnyway };

// The verdict on a series of n photographs: `evidence` and `pairTurns` (radians, to the right)
// for pairs 1..m (index 0 unused; m = n, the last the closing pair, for a full circle), and the
// angle one photograph spans horizontally (radians). Order is checked first, then each pair's
// confidence leaving the lens aside, then the lens, then the circle. Unless the lens's focal
// length was held (given, not estimated), a series in which no pair has feature matches is
// refused for its lens: the photometric steps alone settle on focal lengths several per cent
// off on low-detail pairs, with every turn off by as much, while each overlap still correlates
// well.
std::optional<AlignmentRefusal> verifyAlignment(std::span<const PairEvidence> evidence,
                                                std::span<const double> pairTurns,
                                                double photoAngle, bool fullCircle, bool focalHeld);

// An open series whose turns and one photograph's angle reach a full turn could have been
// stitched as a full circle.
bool closesFullCircle(std::span<const double> pairTurns, double photoAngle);

}  // namespace skylacer
