// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/match_refinement.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <optional>
#include <vector>

#include "engine/least_squares.h"
#include "engine/pair_estimate.h"
#include "engine/parallel.h"
#include "engine/ray_pairs.h"

namespace skylacer {

namespace {

// The patch: (2 kPatchRadius + 1)² working pixels around the previous point.
constexpr int kPatchRadius = 5;
constexpr int kPatchSide = 2 * kPatchRadius + 1;
constexpr int kPatchPixels = kPatchSide * kPatchSide;
constexpr int kMostSteps = 12;
// A fit that moves less than this (working pixels) has converged.
constexpr double kConvergedStep = 0.005;
// Furthest a refined point may end from the match's own new point (working pixels).
constexpr double kMostShift = 6.0;
// Least correlation of the fitted patches, and least detail (smallest eigenvalue of the
// gradients' second moment matrix per pixel, grey levels squared) to place a point in both
// directions.
constexpr double kLeastCorrelation = 0.8;
constexpr double kLeastDetail = 0.25;

double pixelAt(GreyPlane plane, int x, int y) {
  return (*plane.pixels)[static_cast<std::size_t>(y) * static_cast<std::size_t>(plane.size.width) +
                         static_cast<std::size_t>(x)];
}

// Bilinear value and gradient of a plane at (x, y); false outside the plane's inner pixels.
struct Sample {
  double value = 0;
  double dx = 0;
  double dy = 0;
};
bool sampleAt(GreyPlane plane, double x, double y, Sample& sample) {
  if (!(x >= 1 && y >= 1 && x < plane.size.width - 2 && y < plane.size.height - 2)) return false;
  const int x0 = static_cast<int>(x);
  const int y0 = static_cast<int>(y);
  const double fx = x - x0;
  const double fy = y - y0;
  const double p00 = pixelAt(plane, x0, y0);
  const double p10 = pixelAt(plane, x0 + 1, y0);
  const double p01 = pixelAt(plane, x0, y0 + 1);
  const double p11 = pixelAt(plane, x0 + 1, y0 + 1);
  sample.value = (1 - fy) * ((1 - fx) * p00 + fx * p10) + fy * ((1 - fx) * p01 + fx * p11);
  sample.dx = (1 - fy) * (p10 - p00) + fy * (p11 - p01);
  sample.dy = (1 - fx) * (p01 - p00) + fx * (p11 - p10);
  return true;
}

// Working pixel (column, row) of a normalised point and back (see FeaturePoint).
struct PixelPoint {
  double x = 0;
  double y = 0;
};
PixelPoint toPixel(FeaturePoint point, ImageSize size) {
  return {(point.x * size.width + size.width) / 2, (point.y * size.width + size.height) / 2};
}
FeaturePoint toNormalised(PixelPoint pixel, ImageSize size) {
  return {(2 * pixel.x - size.width) / size.width, (2 * pixel.y - size.height) / size.width};
}

struct Patch {
  std::array<double, kPatchPixels> values{};
  // Where each pixel of the patch lands in the new plane under the estimate (working pixels).
  std::array<PixelPoint, kPatchPixels> landing{};
};

// The previous patch around `centre` and where the estimate carries its pixels; false where the
// patch leaves either plane or holds too little detail.
bool takePatch(GreyPlane previous, GreyPlane current, int cx, int cy, const Matrix3& pairRotation,
               double focal, Patch& patch) {
  if (cx < kPatchRadius + 1 || cy < kPatchRadius + 1 ||
      cx >= previous.size.width - kPatchRadius - 1 || cy >= previous.size.height - kPatchRadius - 1)
    return false;
  double gxx = 0;
  double gxy = 0;
  double gyy = 0;
  int k = 0;
  for (int dy = -kPatchRadius; dy <= kPatchRadius; ++dy) {
    for (int dx = -kPatchRadius; dx <= kPatchRadius; ++dx, ++k) {
      const int x = cx + dx;
      const int y = cy + dy;
      patch.values[k] = pixelAt(previous, x, y);
      const double gx = (pixelAt(previous, x + 1, y) - pixelAt(previous, x - 1, y)) / 2;
      const double gy = (pixelAt(previous, x, y + 1) - pixelAt(previous, x, y - 1)) / 2;
      gxx += gx * gx;
      gxy += gx * gy;
      gyy += gy * gy;
    }
  }
  // Where the estimate carries each pixel, two pixels at a time.
  constexpr int side = 2 * kPatchRadius + 1;
  const auto normalisedPixel = [&](int k) {
    return toNormalised({static_cast<double>(cx + k % side - kPatchRadius),
                         static_cast<double>(cy + k / side - kPatchRadius)},
                        previous.size);
  };
  for (k = 0; k < kPatchPixels; k += 2) {
    const bool pair = k + 1 < kPatchPixels;
    const FeaturePoint first = normalisedPixel(k);
    const FeaturePoint second = normalisedPixel(pair ? k + 1 : k);
    const RayLanes turned = turnedBackRays(
        pairRotation, featureRays(lanes(first.x, second.x), lanes(first.y, second.y), focal));
    if (!(turned.z[0] > 0) || !(turned.z[1] > 0)) return false;
    const PointLanes landing = projectedRays(turned, focal);
    patch.landing[k] = toPixel(lane(landing, 0), current.size);
    if (pair) patch.landing[k + 1] = toPixel(lane(landing, 1), current.size);
  }
  const double trace = (gxx + gyy) / kPatchPixels;
  const double determinant = (gxx * gyy - gxy * gxy) / (kPatchPixels * kPatchPixels);
  const double smallest = trace / 2 - std::sqrt(std::max(0.0, trace * trace / 4 - determinant));
  return smallest >= kLeastDetail;
}

// The shift of the patch's landing that fits the new plane best (with a gain and an offset for
// the exposure), by Gauss-Newton steps from `shift`; false when it does not settle within
// kMostShift of its start or the fitted patches disagree.
bool fitShift(const Patch& patch, GreyPlane current, PixelPoint& shift) {
  const PixelPoint start = shift;
  double gain = 1;
  double offset = 0;
  std::array<Sample, kPatchPixels> samples{};
  for (int step = 0; step < kMostSteps; ++step) {
    // The normal equations summed in named locals, which stay in registers: the matrix is
    // symmetric, and each entry takes the same products in the same order as
    // NormalEquations::add gives it. Unknowns: shift x, shift y, gain, offset; the residual is
    // gain · new + offset - previous, so the offset's derivative is 1.
    double xx = 0, xy = 0, xv = 0, xo = 0, yy = 0, yv = 0, yo = 0, vv = 0, vo = 0, oo = 0;
    double gx = 0, gy = 0, gv = 0, go = 0;
    for (int k = 0; k < kPatchPixels; ++k) {
      if (!sampleAt(current, patch.landing[k].x + shift.x, patch.landing[k].y + shift.y,
                    samples[k]))
        return false;
      const double dx = gain * samples[k].dx;
      const double dy = gain * samples[k].dy;
      const double value = samples[k].value;
      const double residual = gain * value + offset - patch.values[k];
      gx += dx * residual;
      gy += dy * residual;
      gv += value * residual;
      go += residual;
      xx += dx * dx;
      xy += dx * dy;
      xv += dx * value;
      xo += dx;
      yy += dy * dy;
      yv += dy * value;
      yo += dy;
      vv += value * value;
      vo += value;
      oo += 1;
    }
    NormalEquations normal(4);
    normal.gradient = {gx, gy, gv, go};
    normal.matrix = {xx, xy, xv, xo, xy, yy, yv, yo, xv, yv, vv, vo, xo, yo, vo, oo};
    const std::vector<double> delta = dampedStep(normal, 0);
    shift.x += delta[0];
    shift.y += delta[1];
    gain += delta[2];
    offset += delta[3];
    if (!(std::hypot(shift.x - start.x, shift.y - start.y) <= kMostShift) || !(gain > 0))
      return false;
    if (std::hypot(delta[0], delta[1]) < kConvergedStep) break;
  }
  // Correlation of the fitted patches.
  double sumP = 0;
  double sumN = 0;
  for (int k = 0; k < kPatchPixels; ++k) {
    if (!sampleAt(current, patch.landing[k].x + shift.x, patch.landing[k].y + shift.y, samples[k]))
      return false;
    sumP += patch.values[k];
    sumN += samples[k].value;
  }
  const double meanP = sumP / kPatchPixels;
  const double meanN = sumN / kPatchPixels;
  double pp = 0;
  double nn = 0;
  double pn = 0;
  for (int k = 0; k < kPatchPixels; ++k) {
    const double p = patch.values[k] - meanP;
    const double n = samples[k].value - meanN;
    pp += p * p;
    nn += n * n;
    pn += p * n;
  }
  return pp > 0 && nn > 0 && pn / std::sqrt(pp * nn) >= kLeastCorrelation;
}

}  // namespace

std::vector<FeatureMatch> refineMatches(std::span<const FeatureMatch> inliers,
                                        const Matrix3& pairRotation, double focal,
                                        GreyPlane previous, GreyPlane current, int workers) {
  // Each thread refines a run of the matches; each match's result keeps its place.
  std::vector<std::optional<FeatureMatch>> refinedEach(inliers.size());
  runShares(workers, inliers.size(), [&](std::size_t first, std::size_t end) {
    Patch patch;
    for (std::size_t i = first; i < end; ++i) {
      const FeatureMatch& match = inliers[i];
      const PixelPoint start = toPixel(match.previous, previous.size);
      const int cx = static_cast<int>(std::lround(start.x));
      const int cy = static_cast<int>(std::lround(start.y));
      if (!takePatch(previous, current, cx, cy, pairRotation, focal, patch)) continue;
      // The patch keeps the shape the estimate gives it and starts at the match's own new point:
      // a pair's own focal length may be well off, which moves the carried patch by pixels.
      const PixelPoint carried = patch.landing[kPatchPixels / 2];
      const PixelPoint own = toPixel(match.current, current.size);
      PixelPoint shift{own.x - carried.x, own.y - carried.y};
      if (!fitShift(patch, current, shift)) continue;
      refinedEach[i] = FeatureMatch{
          toNormalised({static_cast<double>(cx), static_cast<double>(cy)}, previous.size),
          toNormalised({carried.x + shift.x, carried.y + shift.y}, current.size)};
    }
  });
  std::vector<FeatureMatch> refined;
  refined.reserve(inliers.size());
  for (const std::optional<FeatureMatch>& match : refinedEach)
    if (match) refined.push_back(*match);
  return refined;
}

std::optional<PairEstimate> estimateRefinedPair(const FeatureSet& previous,
                                                const FeatureSet& current, double fixedFocal,
                                                std::uint32_t seed, int workers) {
  std::optional<PairEstimate> estimate =
      estimatePair(matchFeatures(previous, current, workers), fixedFocal, seed);
  if (!estimate) return estimate;
  estimate->inliers = refineMatches(estimate->inliers, estimate->rotation, estimate->focal,
                                    {&previous.plane, previous.planeSize},
                                    {&current.plane, current.planeSize}, workers);
  if (estimate->inliers.size() < static_cast<std::size_t>(kLeastInliers)) return std::nullopt;
  return estimate;
}

}  // namespace skylacer
