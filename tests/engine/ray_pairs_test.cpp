// SPDX-License-Identifier: GPL-3.0-or-later
// The lens arithmetic of two feature points side by side against the one-point functions.

#include "engine/ray_pairs.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "engine/pair_estimate.h"

namespace skylacer {
namespace {

// The same number bit for bit; where the one-point function gives no number, none either.
void expectSame(double single, double side, const char* what) {
  if (std::isnan(single)) {
    EXPECT_TRUE(std::isnan(side)) << what << ": " << side << " instead of no number";
    return;
  }
  EXPECT_EQ(std::bit_cast<std::uint64_t>(single), std::bit_cast<std::uint64_t>(side))
      << what << ": " << side << " instead of " << single;
}

void expectSame(Vec3 single, Vec3 side, const char* what) {
  expectSame(single.x, side.x, what);
  expectSame(single.y, side.y, what);
  expectSame(single.z, side.z, what);
}

void expectSame(FeaturePoint single, FeaturePoint side, const char* what) {
  expectSame(single.x, side.x, what);
  expectSame(single.y, side.y, what);
}

TEST(RayPairs, GiveWhatTheOnePointFunctionsGiveBitForBit) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> coordinate(-1.6, 1.6);
  std::uniform_real_distribution<double> angle(-3.2, 3.2);
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  constexpr double infinity = std::numeric_limits<double>::infinity();
  // Ordinary points, and points whose squared radius overflows or is not a number.
  std::vector<FeaturePoint> points;
  for (int i = 0; i < 400; ++i) points.push_back({coordinate(random), coordinate(random)});
  points.insert(points.end(), {{1e200, 0.5}, {-0.25, -1e300}, {nan, 0.1}, {0.3, infinity}});
  // The pair search's focal lengths, and focal lengths whose square is not positive.
  const std::vector<double> focals = {0.3, 0.9137, 1.6864941693517321, 8.0, 0.0, -0.0, nan};
  // Turns up to half a turn each way, so that some rays end up behind the camera.
  std::vector<Matrix3> rotations = {identityMatrix()};
  for (int i = 0; i < 12; ++i)
    rotations.push_back(
        rotationFromVector({0.2 * angle(random), angle(random), 0.2 * angle(random)}));

  for (const double focal : focals) {
    // Rays grazing the camera's plane, whose points lie too far out for a squared radius.
    const RayLanes grazing{lanes(0.6, -0.8), lanes(0.8, 0.6), lanes(1e-300, 4e-170)};
    const PointLanes far = projectedRays(grazing, focal);
    expectSame(projectRay(lane(grazing, 0), focal, 0), lane(far, 0), "far projection");
    expectSame(projectRay(lane(grazing, 1), focal, 0), lane(far, 1), "far projection");
    for (const Matrix3& rotation : rotations) {
      for (std::size_t i = 0; i + 1 < points.size(); i += 2) {
        const FeaturePoint a = points[i];
        const FeaturePoint b = points[(i * 7 + 3) % points.size()];
        const RayLanes rays = featureRays(lanes(a.x, b.x), lanes(a.y, b.y), focal);
        expectSame(featureRay(a, focal, 0), lane(rays, 0), "ray");
        expectSame(featureRay(b, focal, 0), lane(rays, 1), "ray");

        const RayLanes turned = turnedRays(rotation, rays);
        const RayLanes turnedBack = turnedBackRays(rotation, rays);
        expectSame(rotation * lane(rays, 0), lane(turned, 0), "turned ray");
        expectSame(transposedTimes(rotation, lane(rays, 1)), lane(turnedBack, 1),
                   "ray turned back");

        // Rays of an ordinary focal length, projected at each.
        const RayLanes ordinary =
            turnedBackRays(rotation, featureRays(lanes(a.x, b.x), lanes(a.y, b.y), 1.3));
        const PointLanes projected = projectedRays(ordinary, focal);
        expectSame(projectRay(lane(ordinary, 0), focal, 0), lane(projected, 0), "projection");
        expectSame(projectRay(lane(ordinary, 1), focal, 0), lane(projected, 1), "projection");

        const FeatureMatch first{b, a};
        const FeatureMatch second{a, b};
        const PointLanes predicted = predictPreviousPair(first, second, rotation, focal);
        expectSame(predictPrevious(first, rotation, focal, 0), lane(predicted, 0), "prediction");
        expectSame(predictPrevious(second, rotation, focal, 0), lane(predicted, 1), "prediction");
        if (testing::Test::HasFailure()) return;
      }
    }
  }
}

}  // namespace
}  // namespace skylacer
