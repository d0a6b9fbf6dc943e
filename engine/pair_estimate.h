// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The pair estimate: a neighbouring pair's rotation and the lens's focal length read from the
// pair's feature matches alone, with a robust fit (random samples of two matches) that ignores
// the matches the rotation does not explain. It does not depend on the coarse search's
// correlation peak, which repeated boards, low texture or glare can put in the wrong place.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/features.h"
#include "engine/geometry.h"

namespace skylacer {

// The lens of feature points: the ideal ray of a photo point, and the photo point of a ray in
// camera coordinates, for focal length `focal` (half image widths) and radial coefficient
// `radial` (r_d = r_u · (1 + k1 · r_u²), radii in focal lengths; see CameraRecord).
Vec3 featureRay(FeaturePoint point, double focal, double radial);
FeaturePoint projectRay(Vec3 ray, double focal, double radial);

// Where a match's new point shows in the previous photograph under a pair rotation (new camera
// into previous camera) and a lens, and its squared distance from the match's previous point
// (+infinity for a ray behind the previous camera).
FeaturePoint predictPrevious(const FeatureMatch& match, const Matrix3& pairRotation, double focal,
                             double radial);
double matchErrorSquared(const FeatureMatch& match, const Matrix3& pairRotation, double focal,
                         double radial);

// A match lies on a rotation when the previous point and the new point carried through the
// rotation lie closer than this (normalised units: 4 pixels of a 1024-pixel-wide plane).
constexpr double kInlierDistance = 0.008;
// Fewest matches a pair estimate must explain: chance agreement of this many is out of reach.
constexpr int kLeastInliers = 12;

struct PairEstimate {
  // Maps the new camera's coordinates into the previous camera's (as pairRotation does).
  Matrix3 rotation = identityMatrix();
  double focal = 0;  // half image widths
  // The matches the rotation explains (within kInlierDistance).
  std::vector<FeatureMatch> inliers;
};

// The rotation (and, when fixedFocal is 0, the focal length within 0.3 .. 8 half widths) that
// explains the most matches, refined by least squares on those it explains; nothing when fewer
// than kLeastInliers agree. The random samples are drawn from `seed`, so the result depends only
// on the matches and the seed.
std::optional<PairEstimate> estimatePair(std::span<const FeatureMatch> matches, double fixedFocal,
                                         std::uint32_t seed);

// The angle (radians) the new camera's optical axis is turned to the right of the previous
// one's under a pair rotation: negative when the new photograph lies to the left.
double turnToTheRight(const Matrix3& pairRotation);

}  // namespace skylacer
