// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The lens arithmetic of feature points without distortion, for two points side by side: their
// rays (featureRay), the rays turned by a rotation, and their photograph points (projectRay).
// The pair search and the patch refinement ask for it hundreds of thousands of times a pair, and
// most of its cost is divisions and square roots, of which a processor does two at once as
// cheaply as one. Each lane does exactly the operations of the one-point functions in the same
// order, without fused multiply-adds, so that every result is theirs bit for bit.

#include <cmath>
#include <cstddef>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/features.h"
#include "engine/geometry.h"

namespace skylacer {

using Lanes = double __attribute__((vector_size(16)));
// What comparing lanes gives: all bits set in a lane where the comparison holds.
using LaneMask = decltype(Lanes{} < Lanes{});

inline Lanes lanes(double first, double second) {
  return Lanes{first, second};
}

inline Lanes squareRoots(Lanes values) {
#if defined(__SSE2__)
  return _mm_sqrt_pd(values);
#else
  return Lanes{std::sqrt(values[0]), std::sqrt(values[1])};
#endif
}

// Lanes that are neither infinite nor not a number.
inline LaneMask finiteLanes(Lanes values) {
  return (values - values) == Lanes{0, 0};
}

// `values` where `kept` is set, not a number elsewhere.
inline Lanes keptOrNaN(LaneMask kept, Lanes values) {
  constexpr double nan = std::numeric_limits<double>::quiet_NaN();
  return reinterpret_cast<Lanes>((reinterpret_cast<LaneMask>(values) & kept) |
                                 (reinterpret_cast<LaneMask>(Lanes{nan, nan}) & ~kept));
}

struct RayLanes {
  Lanes x;
  Lanes y;
  Lanes z;
};

// featureRay(point, focal, 0) of the points (x[0], y[0]) and (x[1], y[1]). Without distortion
// the ideal point is the point itself, unless its squared radius is not finite or focal² is not
// positive: then it is not a number.
inline RayLanes featureRays(Lanes x, Lanes y, double focal) {
  LaneMask ideal = finiteLanes(x * x + y * y);
  if (!(focal * focal > 0)) ideal = LaneMask{0, 0};
  const Lanes idealX = keptOrNaN(ideal, x);
  const Lanes idealY = keptOrNaN(ideal, y);
  const Lanes z{focal, focal};
  const Lanes norm = squareRoots(idealX * idealX + idealY * idealY + z * z);
  return {idealX / norm, idealY / norm, z / norm};
}

// rotation · ray for each lane.
inline RayLanes turnedRays(const Matrix3& rotation, const RayLanes& ray) {
  const auto row = [&](const std::array<double, 3>& m) {
    return m[0] * ray.x + m[1] * ray.y + m[2] * ray.z;
  };
  return {row(rotation[0]), row(rotation[1]), row(rotation[2])};
}

// rotationᵀ · ray for each lane.
inline RayLanes turnedBackRays(const Matrix3& rotation, const RayLanes& ray) {
  const auto column = [&](std::size_t c) {
    return rotation[0][c] * ray.x + rotation[1][c] * ray.y + rotation[2][c] * ray.z;
  };
  return {column(0), column(1), column(2)};
}

struct PointLanes {
  Lanes x;
  Lanes y;
};

// projectRay(ray, focal, 0) of each lane: not a number for a ray not in front of the camera, and
// where the point's squared radius is not finite or focal² is not positive.
inline PointLanes projectedRays(const RayLanes& ray, double focal) {
  const Lanes f{focal, focal};
  const Lanes x = f * ray.x / ray.z;
  const Lanes y = f * ray.y / ray.z;
  LaneMask kept = (ray.z > Lanes{0, 0}) & finiteLanes(x * x + y * y);
  if (!(focal * focal > 0)) kept = LaneMask{0, 0};
  return {keptOrNaN(kept, x), keptOrNaN(kept, y)};
}

// predictPrevious(match, rotation, focal, 0) of two matches.
inline PointLanes predictPreviousPair(const FeatureMatch& first, const FeatureMatch& second,
                                      const Matrix3& rotation, double focal) {
  const RayLanes rays = featureRays(lanes(first.current.x, second.current.x),
                                    lanes(first.current.y, second.current.y), focal);
  return projectedRays(turnedRays(rotation, rays), focal);
}

inline FeaturePoint lane(const PointLanes& points, int index) {
  return {points.x[index], points.y[index]};
}

inline Vec3 lane(const RayLanes& rays, int index) {
  return {rays.x[index], rays.y[index], rays.z[index]};
}

}  // namespace skylacer
