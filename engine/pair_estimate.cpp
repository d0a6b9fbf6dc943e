// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pair_estimate.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <random>

#include "engine/camera.h"
#include "engine/least_squares.h"
#include "engine/ray_pairs.h"

namespace skylacer {

namespace {

constexpr double kLeastFocal = 0.3;
constexpr double kMostFocal = 8.0;
constexpr int kSamples = 500;
constexpr int kFocalGrid = 24;
constexpr int kRefinementSteps = 12;

// The rotation taking the frame of two unit vectors b1, b2 onto the frame of a1, a2 (their
// bisector, their normal and the third axis): it maps b1, b2 onto a1, a2 when the two pairs
// enclose the same angle.
Matrix3 rotationBetweenPairs(Vec3 a1, Vec3 a2, Vec3 b1, Vec3 b2) {
  const Vec3 am = normalized(a1 + a2);
  const Vec3 an = normalized(cross(a1, a2));
  const Vec3 bm = normalized(b1 + b2);
  const Vec3 bn = normalized(cross(b1, b2));
  const Matrix3 a = transposed(matrixFromRows(am, an, cross(am, an)));
  const Matrix3 b = matrixFromRows(bm, bn, cross(bm, bn));
  return a * b;
}

// The two matches' rays at focal length f, in the previous and in the new photograph.
struct SampleRays {
  RayLanes previous;
  RayLanes current;
};
SampleRays sampleRays(const FeatureMatch& first, const FeatureMatch& second, double focal) {
  return {featureRays(lanes(first.previous.x, second.previous.x),
                      lanes(first.previous.y, second.previous.y), focal),
          featureRays(lanes(first.current.x, second.current.x),
                      lanes(first.current.y, second.current.y), focal)};
}

// dot(ray of lane 0, ray of lane 1).
double laneDot(const RayLanes& rays) {
  return dot(lane(rays, 0), lane(rays, 1));
}

// The difference between the angles two matches enclose in the previous and in the new
// photograph at focal length f: a rotation joins them only where it is 0.
double angleGap(const FeatureMatch& first, const FeatureMatch& second, double focal) {
  const SampleRays rays = sampleRays(first, second, focal);
  return laneDot(rays.previous) - laneDot(rays.current);
}

// Focal lengths within kLeastFocal .. kMostFocal at which two matches enclose equal angles.
std::vector<double> focalsJoining(const FeatureMatch& first, const FeatureMatch& second) {
  std::vector<double> focals;
  const double ratio = std::pow(kMostFocal / kLeastFocal, 1.0 / (kFocalGrid - 1));
  double low = kLeastFocal;
  double gapLow = angleGap(first, second, low);
  for (int k = 1; k < kFocalGrid; ++k) {
    const double high = low * ratio;
    const double gapHigh = angleGap(first, second, high);
    if ((gapLow < 0) != (gapHigh < 0)) {
      double a = low;
      double b = high;
      double gapA = gapLow;
      for (int step = 0; step < 40; ++step) {
        const double middle = (a + b) / 2;
        const double gapMiddle = angleGap(first, second, middle);
        if ((gapMiddle < 0) == (gapA < 0)) {
          a = middle;
          gapA = gapMiddle;
        } else {
          b = middle;
        }
      }
      focals.push_back((a + b) / 2);
    }
    low = high;
    gapLow = gapHigh;
  }
  return focals;
}

// The squared distance of a match's previous point from where it was predicted (+infinity when
// that is not a number).
double errorSquared(FeaturePoint predicted, const FeatureMatch& match) {
  const double dx = predicted.x - match.previous.x;
  const double dy = predicted.y - match.previous.y;
  const double error = dx * dx + dy * dy;
  return std::isfinite(error) ? error : std::numeric_limits<double>::infinity();
}

// Calls use(i, predicted) for the matches i = 0, 1, ... in turn with predictPrevious(match,
// rotation, focal, 0), two predicted at a time, until `use` returns false.
template <typename Use>
void forEachPrediction(std::span<const FeatureMatch> matches, const Matrix3& rotation, double focal,
                       Use&& use) {
  for (std::size_t i = 0; i < matches.size(); i += 2) {
    const FeatureMatch& second = matches[i + 1 < matches.size() ? i + 1 : i];
    const PointLanes predicted = predictPreviousPair(matches[i], second, rotation, focal);
    if (!use(i, lane(predicted, 0))) return;
    if (i + 1 < matches.size() && !use(i + 1, lane(predicted, 1))) return;
  }
}

// Matches within kInlierDistance of the rotation, and their summed squared error (inliers only).
struct Agreement {
  int count = 0;
  double error = 0;
};
// The agreement of the rotation, or a count below `least` once the matches left could no longer
// bring it there: a sample holding an outlier is given up after a fraction of the matches.
Agreement agreement(std::span<const FeatureMatch> matches, const Matrix3& rotation, double focal,
                    int least) {
  Agreement result;
  constexpr double limit = kInlierDistance * kInlierDistance;
  auto left = static_cast<std::ptrdiff_t>(matches.size());
  forEachPrediction(matches, rotation, focal, [&](std::size_t i, FeaturePoint predicted) {
    if (result.count + left-- < least) return false;
    const double error = errorSquared(predicted, matches[i]);
    if (error < limit) {
      ++result.count;
      result.error += error;
    }
    return true;
  });
  return result;
}

std::vector<FeatureMatch> inliersOf(std::span<const FeatureMatch> matches, const Matrix3& rotation,
                                    double focal) {
  std::vector<FeatureMatch> inliers;
  forEachPrediction(matches, rotation, focal, [&](std::size_t i, FeaturePoint predicted) {
    if (errorSquared(predicted, matches[i]) < kInlierDistance * kInlierDistance)
      inliers.push_back(matches[i]);
    return true;
  });
  return inliers;
}

// Least squares over the inliers: a small turn applied to the rotation and, unless the focal
// length is fixed, a relative change of the focal length; damped steps that lower the error.
void refineOnInliers(std::span<const FeatureMatch> inliers, Matrix3& rotation, double& focal,
                     bool fitFocal) {
  const int unknowns = fitFocal ? 4 : 3;
  auto residuals = [&](const Matrix3& r, double f, std::vector<double>& out) {
    out.clear();
    forEachPrediction(inliers, r, f, [&](std::size_t i, FeaturePoint predicted) {
      out.push_back(predicted.x - inliers[i].previous.x);
      out.push_back(predicted.y - inliers[i].previous.y);
      return true;
    });
  };
  auto cost = [](const std::vector<double>& values) {
    double sum = 0;
    for (double value : values) sum += value * value;
    return std::isfinite(sum) ? sum : std::numeric_limits<double>::infinity();
  };
  constexpr double nudge = 1e-7;
  double damping = 1e-3;
  std::vector<double> base;
  std::vector<double> moved;
  residuals(rotation, focal, base);
  double baseCost = cost(base);
  for (int step = 0; step < kRefinementSteps; ++step) {
    std::array<std::vector<double>, 4> columns;
    for (int k = 0; k < unknowns; ++k) {
      Vec3 turn{};
      double f = focal;
      if (k == 0) turn.x = nudge;
      if (k == 1) turn.y = nudge;
      if (k == 2) turn.z = nudge;
      if (k == 3) f = focal * (1 + nudge);
      residuals(rotationFromVector(turn) * rotation, f, moved);
      columns[static_cast<std::size_t>(k)].resize(moved.size());
      for (std::size_t i = 0; i < moved.size(); ++i)
        columns[static_cast<std::size_t>(k)][i] = (moved[i] - base[i]) / nudge;
    }
    NormalEquations equations(unknowns);
    const std::array<int, 4> indices = {0, 1, 2, 3};
    std::array<double, 4> row{};
    for (std::size_t i = 0; i < base.size(); ++i) {
      for (int k = 0; k < unknowns; ++k)
        row[static_cast<std::size_t>(k)] = columns[static_cast<std::size_t>(k)][i];
      equations.add(indices.data(), row.data(), unknowns, base[i]);
    }
    const std::vector<double> delta = dampedStep(equations, damping);
    const Matrix3 tried = rotationFromVector({delta[0], delta[1], delta[2]}) * rotation;
    const double triedFocal = fitFocal ? focal * (1 + delta[3]) : focal;
    residuals(tried, triedFocal, moved);
    const double triedCost = cost(moved);
    if (triedCost < baseCost && triedFocal >= kLeastFocal && triedFocal <= kMostFocal) {
      rotation = tried;
      focal = triedFocal;
      base.swap(moved);
      const bool converged = baseCost - triedCost < 1e-12 * baseCost;
      baseCost = triedCost;
      damping /= 10;
      if (converged) break;
    } else {
      damping *= 10;
    }
  }
}

}  // namespace

Vec3 featureRay(FeaturePoint point, double focal, double radial) {
  const NormalisedPoint ideal = undistortRadial(point.x, point.y, focal, radial);
  return normalized({ideal.x, ideal.y, focal});
}

FeaturePoint predictPrevious(const FeatureMatch& match, const Matrix3& rotation, double focal,
                             double radial) {
  return projectRay(rotation * featureRay(match.current, focal, radial), focal, radial);
}

double matchErrorSquared(const FeatureMatch& match, const Matrix3& rotation, double focal,
                         double radial) {
  return errorSquared(predictPrevious(match, rotation, focal, radial), match);
}

FeaturePoint projectRay(Vec3 ray, double focal, double radial) {
  if (!(ray.z > 0)) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    return {nan, nan};
  }
  const double x = focal * ray.x / ray.z;
  const double y = focal * ray.y / ray.z;
  const double r2 = x * x + y * y;
  // Without distortion the scale is exactly 1 (unless it is not a number).
  if (radial == 0 && std::isfinite(r2) && focal * focal > 0) return {x, y};
  const double scale = 1 + radial * r2 / (focal * focal);
  return {x * scale, y * scale};
}

std::optional<PairEstimate> estimatePair(std::span<const FeatureMatch> matches, double fixedFocal,
                                         std::uint32_t seed) {
  if (matches.size() < static_cast<std::size_t>(kLeastInliers)) return std::nullopt;
  std::mt19937 random(seed);
  const auto count = static_cast<std::uint32_t>(matches.size());
  Agreement best;
  Matrix3 bestRotation = identityMatrix();
  double bestFocal = 0;
  std::vector<double> focals;
  for (int sample = 0; sample < kSamples; ++sample) {
    const std::uint32_t i = random() % count;
    std::uint32_t j = random() % (count - 1);
    if (j >= i) ++j;
    const FeatureMatch& first = matches[i];
    const FeatureMatch& second = matches[j];
    if (fixedFocal > 0)
      focals.assign(1, fixedFocal);
    else
      focals = focalsJoining(first, second);
    for (const double focal : focals) {
      const SampleRays rays = sampleRays(first, second, focal);
      const Matrix3 rotation = rotationBetweenPairs(lane(rays.previous, 0), lane(rays.previous, 1),
                                                    lane(rays.current, 0), lane(rays.current, 1));
      const Agreement trial = agreement(matches, rotation, focal, best.count);
      if (trial.count > best.count || (trial.count == best.count && trial.error < best.error)) {
        best = trial;
        bestRotation = rotation;
        bestFocal = focal;
      }
    }
  }
  if (best.count < kLeastInliers) return std::nullopt;

  // The inliers of the best sample, refined; then the inliers of the refined rotation, refined
  // again, since the refined rotation explains some the sample's missed.
  PairEstimate estimate{bestRotation, bestFocal, {}};
  for (int round = 0; round < 2; ++round) {
    estimate.inliers = inliersOf(matches, estimate.rotation, estimate.focal);
    if (estimate.inliers.size() < static_cast<std::size_t>(kLeastInliers)) return std::nullopt;
    refineOnInliers(estimate.inliers, estimate.rotation, estimate.focal, fixedFocal <= 0);
  }
  estimate.inliers = inliersOf(matches, estimate.rotation, estimate.focal);
  if (estimate.inliers.size() < static_cast<std::size_t>(kLeastInliers)) return std::nullopt;
  return estimate;
}

double turnToTheRight(const Matrix3& pairRotation) {
  const Vec3 axis = pairRotation * Vec3{0, 0, 1};
  return std::atan2(axis.x, axis.z);
}

}  // namespace skylacer
