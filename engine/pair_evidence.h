// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The evidence the verification weighs for each aligned pair: how many of its feature matches
// the final pair record still explains, and how well the pixels of its overlap agree there
// and a few pixels away.

#include <span>

#include "engine/camera.h"
#include "engine/features.h"
#include "engine/pyramid.h"
#include "engine/verification.h"

namespace skylacer {

// How many of a pair's matches its record's rotation and lens still explain, within twice
// kInlierDistance.
int inliersExplained(const CameraRecord& record, std::span<const FeatureMatch> inliers);

// The overlap correlation of a pair's final record on a high-pass level of about 512 pixels,
// and the best one with the new photograph moved by a few pixels in each direction.
// Fills the evidence's correlation, nearCorrelation and compared.
void measureOverlap(const LumaPyramid& previous, const LumaPyramid& current,
                    const CameraRecord& record, PairEvidence& evidence);

}  // namespace skylacer
