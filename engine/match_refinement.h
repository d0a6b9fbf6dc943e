// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Refinement of a pair's feature matches on the working planes: the feature points are found on
// a reduced plane, where a pixel spans a good share of the 0.1 degree a turn must be right to;
// each match the pair estimate explains is followed from the previous photograph into the new
// one on the working plane to a small fraction of its pixel.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/features.h"
#include "engine/geometry.h"
#include "engine/pair_estimate.h"

namespace skylacer {

// The working plane of a photograph (greyFromRgb), width x height.
struct GreyPlane {
  const GreyImage* pixels = nullptr;
  ImageSize size;
};

// The inliers of a pair, each previous point moved to the working pixel nearest it and its new
// point placed where a patch around it in the previous plane, carried by `pairRotation` (new
// camera into previous camera) at `focal` and shifted to fit best, matches the new plane, allowing
// for a change of exposure between the two. A match whose patch holds too little detail to place
// it in both directions, which ends further than a few pixels from its start, or whose patches
// disagree after the fit is left out. The matches are shared among up to `workers` threads (1:
// all on the calling thread); the result is the same for any number.
std::vector<FeatureMatch> refineMatches(std::span<const FeatureMatch> inliers,
                                        const Matrix3& pairRotation, double focal,
                                        GreyPlane previous, GreyPlane current, int workers = 1);

// The pair estimate of two photographs' features (estimatePair over matchFeatures) with its
// inliers refined on the photographs' working planes; nothing when fewer than kLeastInliers are
// left. The matching and the refinement are shared among up to `workers` threads.
std::optional<PairEstimate> estimateRefinedPair(const FeatureSet& previous,
                                                const FeatureSet& current, double fixedFocal,
                                                std::uint32_t seed, int workers = 1);

}  // namespace skylacer
