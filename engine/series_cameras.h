// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// From a series' pair records to its cameras: the common lens of the pairs (the median tells
// a pair that settled in another solution of the lens apart), the rolls of a full circle
// balanced, and the pair rotations chained into absolute rotations, levelled. Arithmetic on the
// records alone; a full circle's closing steps are in engine/circle_closing.h.

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

// averageLens over the aligned records whose focal length lies within kLensOutlierShare of the
// median of records 1..m's (the mean of the middle two for an even m); averageLens over all when
// m < kLeastPairsForOutliers or none lies that close. A pair that settled in another solution of
// focal length and radial lens does not pull the series' lens, on which every other pair's turn
// depends. The coarse-to-fine profile's lens.
void averageLensWithoutOutliers(std::span<CameraRecord> records);

// Composes the pair rotations into absolute rotations: R(i) = R(i - 1) · pairRotation(i).
void chainRotations(std::span<CameraRecord> records);
// Turns every rotation so that the cameras' mean up direction (record 0's included) is the
// world's y axis.
void levelCameras(std::span<CameraRecord> records);

}  // namespace skylacer
