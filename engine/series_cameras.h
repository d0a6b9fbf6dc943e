#pragma once

// From a series' pair records to its cameras: the common lens of the pairs (the median tells
// a pair that settled in another solution of the lens apart), the circle closing, and the
// chaining of the pair rotations into absolute rotations, levelled. Pure arithmetic on the
// records; the steps that look at the pixels again are in engine/series_realignment.h.

#include <cstddef>
#include <span>

#include "engine/camera.h"

namespace skylacer {

// The steps in the order alignAll takes them.

// Full circle, records 0..n: subtracts (Σ roll of all) / n from the roll of records 1..n.
void balanceRolls(std::span<CameraRecord> records);
// Records 0..m in use: every one gets focal Σf / m, distortion Σk / (2m) and radial Σk1 / m,
// sums over the m aligned records 1..m (half the mean for k: a pair estimate holds both
// photographs' distortion; k1 is the common lens's), and axis z = 2 x that focal. With no aligned
// record nothing changes.
void averageLens(std::span<CameraRecord> records);

// Pairs whose focal length lies further than this share from the median of the pairs' are left
// out of averageLensWithoutOutliers' means.
constexpr double kLensOutlierShare = 0.02;
// Fewest aligned pairs whose median tells an outlier apart.
constexpr std::size_t kLeastPairsForOutliers = 3;

// The median of records 1..m's focal lengths (the mean of the middle two for an even m); 0 when
// m < kLeastPairsForOutliers (a median of fewer pairs cannot tell one of them wrong).
double medianFocal(std::span<const CameraRecord> records);
// A record whose focal length lies further than kLensOutlierShare from `medianFocal`.
bool isLensOutlier(const CameraRecord& record, double medianFocal);

// averageLens over the aligned records whose focal length lies within kLensOutlierShare of the
// median of records 1..m's (the mean of the middle two for an even m); averageLens over all when
// m < kLeastPairsForOutliers or none lies that close. A pair that settled in another solution of
// focal length and radial lens does not pull the series' lens, on which every other pair's turn
// depends. The coarse-to-fine profile's lens.
void averageLensWithoutOutliers(std::span<CameraRecord> records);

// Full circle, records 0..n (record n the closing pair) with a common focal length in pair
// form: moves the focal length (and axis z = 2 x focal) to where the chained pair turns add up
// to one full turn, by secant steps from the common one, unless that lies further than
// kLensOutlierShare from it; then the common one stays. The pairs pin down the separations of
// their overlaps, so a focal length off by a share makes every turn short or long by about as
// much, which adds up around the circle. Leaves the records chained (chainRotations).
void closeCircle(std::span<CameraRecord> records);

// Composes the pair rotations into absolute rotations: R(i) = R(i - 1) · pairRotation(i).
void chainRotations(std::span<CameraRecord> records);
// Turns every rotation so that the cameras' mean up direction (record 0's included) is the
// world's y axis.
void levelCameras(std::span<CameraRecord> records);

}  // namespace skylacer
