// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/camera.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <future>
#include <utility>

#include "engine/parallel.h"

namespace skylacer {

Matrix3 pairRotation(const CameraRecord& record) {
  const Vec3 n = normalized(record.axis);
  const Vec3 row1 = normalized({0, 1, -n.y / n.z});
  Vec3 row0{1, 0, -n.x / n.z};
  row0 = normalized(row0 - dot(row0, row1) * row1);
  const Matrix3 half = matrixFromRows(row0, row1, n);
  const double c = std::cos(record.roll);
  const double s = std::sin(record.roll);
  const Matrix3 roll = {{{c, -s, 0}, {s, c, 0}, {0, 0, 1}}};
  return (roll * half) * half;
}

namespace {

// The gradient entry of an inner pixel (column 1..W-2, row 1..H-2) at `at` = r·W + c.
Gradient innerGradient(const std::int16_t* plane, int width, std::ptrdiff_t at) {
  const std::int16_t* pixel = plane + at;
  const std::int64_t scale = width;
  const std::int64_t alongX = (std::int64_t{pixel[1]} - pixel[-1]) * scale / 2;
  const std::int64_t alongY = (std::int64_t{pixel[width]} - pixel[-width]) * scale / 2;
  return {static_cast<double>(alongX), static_cast<double>(alongY)};
}

}  // namespace

GradientField gradientField(const std::int16_t* plane, ImageSize size) {
  GradientField field(checkedElementCount(size, 1));
  for (auto& entry : field) entry.dx = NoSample;
  const int width = size.width;
  for (int r = 1; r < size.height - 1; ++r) {
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(r) * width;
    for (int c = 1; c < width - 1; ++c) field[row + c] = innerGradient(plane, width, row + c);
  }
  return field;
}

int sampleLuma(const std::int16_t* plane, ImageSize size, Vec3 p, double focal, double shift) {
  if (!(p.z > 0)) return NoSample;
  return sampleLumaAt(plane, size, focal * p.x / p.z + shift, focal * p.y / p.z);
}

Matrix5 invert5x5(const Matrix5& matrix) {
  Matrix5 n = matrix;
  Matrix5 inverse{};
  for (std::size_t i = 0; i < 5; ++i) inverse[i][i] = 1;
  for (std::size_t c = 0; c < 5; ++c) {
    std::size_t pivot = c;
    double largest = std::fabs(n[c][c]);
    for (std::size_t r = c + 1; r < 5; ++r) {
      if (std::fabs(n[r][c]) > largest) {
        largest = std::fabs(n[r][c]);
        pivot = r;
      }
    }
    if (largest < 1e-16) return inverse;
    std::swap(n[pivot], n[c]);
    std::swap(inverse[pivot], inverse[c]);
    const double divisor = n[c][c];
    for (std::size_t j = 0; j < 5; ++j) {
      n[c][j] /= divisor;
      inverse[c][j] /= divisor;
    }
    for (std::size_t r = 0; r < 5; ++r) {
      if (r == c) continue;
      const double factor = n[r][c];
      for (std::size_t j = 0; j < 5; ++j) {
        n[r][j] -= factor * n[c][j];
        inverse[r][j] -= factor * inverse[c][j];
      }
    }
  }
  return inverse;
}

namespace {

constexpr int kLeastDifference = 10;
constexpr int kMostDifference = 450;
constexpr int kLeastSamples = 6;
constexpr int kSamplesForRoll = 500;
constexpr int kSamplesForLens = 1500;
constexpr double kConvergedChange = 0.001;

// First column of the previous plane that the new photograph can cover: where its left edge
// (x = -1) lies seen from the previous camera, W when that is right of the plane.
int firstOverlapColumn(const Matrix3& rotation, double focal, int width) {
  const Vec3 edge = rotation * Vec3{-1, 0, focal};
  const double edgeX = focal * edge.x / edge.z;
  const double twiceColumn = width + width * edgeX;
  if (twiceColumn >= 2.0 * width) return width;
  // A new photograph lying left of the previous one starts at column 0, not before the row.
  if (!(twiceColumn > 0)) return 0;
  return static_cast<int>(twiceColumn) / 2;
}

// A pair seen through one radial lens: the new camera's rotation from the previous one, the
// common focal length and k1.
struct RadialPair {
  Matrix3 rotation;
  double focal = 0;
  double k1 = 0;
};

RadialPair radialPair(const CameraRecord& record) {
  return {pairRotation(record), record.focal, record.radial};
}

// Where a previous photograph's point whose ideal position (radial distortion removed) is
// `ideal` lies in the new photograph, normalised units: turned into the new camera and
// distorted again. False for a ray behind it.
bool mapIdeal(const RadialPair& pair, NormalisedPoint ideal, double& newX, double& newY) {
  const Vec3 ray = transposedTimes(pair.rotation, {ideal.x, ideal.y, pair.focal});
  if (!(ray.z > 0)) return false;
  const double xc = pair.focal * ray.x / ray.z;
  const double yc = pair.focal * ray.y / ray.z;
  const double factor = 1 + pair.k1 * (xc * xc + yc * yc) / (pair.focal * pair.focal);
  newX = xc * factor;
  newY = yc * factor;
  return true;
}

// Where the previous photograph's point (x, y) lies in the new photograph: undistorted, then
// mapIdeal.
bool mapThroughLens(const RadialPair& pair, double x, double y, double& newX, double& newY) {
  return mapIdeal(pair, undistortRadial(x, y, pair.focal, pair.k1), newX, newY);
}

// The normal equations, sample counts and fit a step gathers over its samples.
struct StepSums {
  Matrix5 normal{};
  std::array<double, 5> rhs{};
  int count = 0;
  double differenceSum = 0;
  StepFit fit;

  void add(const StepSums& other) {
    for (std::size_t a = 0; a < 5; ++a) {
      for (std::size_t b = 0; b < 5; ++b) normal[a][b] += other.normal[a][b];
      rhs[a] += other.rhs[a];
    }
    count += other.count;
    differenceSum += other.differenceSum;
    fit.compared += other.fit.compared;
    fit.agreeing += other.fit.agreeing;
  }
};

// Fewest grid points of a radial step whose halves are summed on two cores: below it, starting
// the second thread costs more than it saves.
constexpr std::int64_t kLeastSplitPoints = std::int64_t{1} << 14;

// The exact Jacobian's nudge of each unknown (axis x, axis y, roll, relative focal length, k1).
constexpr double kNudge = 1e-4;

// The unknowns a nudge leaves the lens of (focal length and k1): axis x, axis y and roll.
constexpr std::size_t kTurnUnknowns = 3;

// The pair with unknown u nudged by +kNudge; the axis keeps its length of twice the focal length.
RadialPair nudgedPair(const CameraRecord& record, std::size_t u) {
  CameraRecord moved = record;
  if (u == 0) moved.axis.x += kNudge;
  if (u == 1) moved.axis.y += kNudge;
  if (u == 2) moved.roll += kNudge;
  if (u == 3) moved.focal *= 1 + kNudge;
  if (u == 4) moved.radial += kNudge;
  moved.axis.z = 2 * moved.focal;
  return radialPair(moved);
}

}  // namespace

CommonOverlapFit compareOnCommonOverlap(const std::int16_t* previous, const std::int16_t* current,
                                        ImageSize size, const CameraRecord& first,
                                        const CameraRecord& second) {
  const RadialPair pairs[] = {radialPair(first), radialPair(second)};
  const int width = size.width;
  double sum[2] = {0, 0};
  double squares[2] = {0, 0};
  CommonOverlapFit fit;
  for (int r = 0; r < size.height; ++r) {
    for (int c = 0; c < width; ++c) {
      const double x = static_cast<double>(2 * c - width) / width;
      const double y = static_cast<double>(2 * r - size.height) / width;
      int samples[2] = {NoSample, NoSample};
      for (int p = 0; p < 2; ++p) {
        double newX = 0;
        double newY = 0;
        if (mapThroughLens(pairs[p], x, y, newX, newY))
          samples[p] = sampleLumaAt(current, size, newX, newY);
        // Most of the plane lies outside the first record's overlap: no need to map it twice.
        if (samples[p] == NoSample) break;
      }
      if (samples[0] == NoSample || samples[1] == NoSample) continue;
      const int own = previous[static_cast<std::ptrdiff_t>(r) * width + c];
      for (int p = 0; p < 2; ++p) {
        const double difference = own - samples[p];
        sum[p] += difference;
        squares[p] += difference * difference;
      }
      ++fit.compared;
    }
  }
  if (fit.compared == 0) {
    fit.first = fit.second = HUGE_VAL;
    return fit;
  }
  const double n = fit.compared;
  fit.first = squares[0] / n - (sum[0] / n) * (sum[0] / n);
  fit.second = squares[1] / n - (sum[1] / n) * (sum[1] / n);
  return fit;
}

OverlapCorrelation correlateOverlap(const std::int16_t* previous, const std::int16_t* current,
                                    ImageSize size, const CameraRecord& record) {
  const RadialPair pair = radialPair(record);
  const int width = size.width;
  double sumOwn = 0;
  double sumOther = 0;
  double squaresOwn = 0;
  double squaresOther = 0;
  double products = 0;
  OverlapCorrelation result;
  for (int r = 0; r < size.height; r += 2) {
    for (int c = 0; c < width; c += 2) {
      double newX = 0;
      double newY = 0;
      const double x = static_cast<double>(2 * c - width) / width;
      const double y = static_cast<double>(2 * r - size.height) / width;
      if (!mapThroughLens(pair, x, y, newX, newY)) continue;
      const int other = sampleLumaAt(current, size, newX, newY);
      if (other == NoSample) continue;
      const double own = previous[static_cast<std::ptrdiff_t>(r) * width + c];
      sumOwn += own;
      sumOther += other;
      squaresOwn += own * own;
      squaresOther += static_cast<double>(other) * other;
      products += own * other;
      ++result.compared;
    }
  }
  if (result.compared == 0) return result;
  const double n = result.compared;
  const double varianceOwn = squaresOwn / n - (sumOwn / n) * (sumOwn / n);
  const double varianceOther = squaresOther / n - (sumOther / n) * (sumOther / n);
  const double covariance = products / n - (sumOwn / n) * (sumOther / n);
  if (varianceOwn > 0 && varianceOther > 0)
    result.correlation = covariance / std::sqrt(varianceOwn * varianceOther);
  return result;
}

StepFit gaussNewtonStep(const std::int16_t* previous, const std::int16_t* current,
                        const GradientField& gradient, ImageSize size, CameraRecord& record,
                        TraceSink& trace, StepOptions options) {
  const Matrix3 rotation = pairRotation(record);
  const double focal = record.focal;
  const bool radialLens = options.lens == LensTerm::Radial;
  const int stride = options.sampleStride;
  const double k = radialLens ? 0 : record.distortion;
  const double k1 = record.radial;
  const double inverseFocalSquared = 1 / (focal * focal);
  const double brightness = record.brightness;
  const int width = size.width;
  const int height = size.height;
  const int firstColumn = firstOverlapColumn(rotation, focal, width);

  // The half-way point between the two optical axes, in the previous photograph's normalised
  // coordinates: roll and distortion act about it.
  const Vec3 forward = rotation * Vec3{0, 0, 1};
  const double reach = focal / (forward.z + 1);
  const double halfX = reach * forward.x;
  const double halfY = reach * forward.y;

  const bool exact = radialLens && options.exactJacobian;
  const RadialPair pair{rotation, focal, k1};
  std::array<RadialPair, 5> nudged{};
  if (exact)
    for (std::size_t u = 0; u < 5; ++u) nudged[u] = nudgedPair(record, u);
  const double pixel = 2.0 / width;

  auto accumulate = [&](int c, int r, StepSums& sums) {
    const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(r) * width + c;
    Gradient g;
    if (radialLens) {
      if (c == 0 || c == width - 1 || r == 0 || r == height - 1) return;
      // The exact Jacobian takes the new plane's gradient at the sample point instead.
      if (!exact) g = innerGradient(previous, width, at);
    } else {
      g = gradient[static_cast<std::size_t>(at)];
      if (g.dx == NoSample) return;
    }
    const double x = static_cast<double>(2 * c - width) / width;
    const double y = static_cast<double>(2 * r - height) / width;
    const double xh = x - halfX;
    const double yh = y - halfY;
    int sample = NoSample;
    // Radial lens: how far the sample moves per unit of k1 (new photograph's shift of the
    // distorted position less the previous pixel's), normalised units.
    double lensX = 0;
    double lensY = 0;
    std::array<double, 5> exactRow{};
    if (exact) {
      double sx = 0;
      double sy = 0;
      const NormalisedPoint ideal = undistortRadial(x, y, focal, k1);
      if (!mapIdeal(pair, ideal, sx, sy)) return;
      sample = sampleLumaAt(current, size, sx, sy);
      const int right = sampleLumaAt(current, size, sx + pixel, sy);
      const int left = sampleLumaAt(current, size, sx - pixel, sy);
      const int below = sampleLumaAt(current, size, sx, sy + pixel);
      const int above = sampleLumaAt(current, size, sx, sy - pixel);
      if (sample == NoSample || right == NoSample || left == NoSample || below == NoSample ||
          above == NoSample)
        return;
      const double gx = (right - left) / (2 * pixel);
      const double gy = (below - above) / (2 * pixel);
      for (std::size_t u = 0; u < 5; ++u) {
        double movedX = 0;
        double movedY = 0;
        const bool moved = u < kTurnUnknowns ? mapIdeal(nudged[u], ideal, movedX, movedY)
                                             : mapThroughLens(nudged[u], x, y, movedX, movedY);
        if (!moved) return;
        exactRow[u] = (gx * (movedX - sx) + gy * (movedY - sy)) / kNudge;
      }
    } else if (radialLens) {
      const NormalisedPoint ideal = undistortRadial(x, y, focal, k1);
      const Vec3 ray = transposedTimes(rotation, {ideal.x, ideal.y, focal});
      if (!(ray.z > 0)) return;
      const double xc = focal * ray.x / ray.z;
      const double yc = focal * ray.y / ray.z;
      const double currentR2 = (xc * xc + yc * yc) * inverseFocalSquared;
      const double previousR2 = (ideal.x * ideal.x + ideal.y * ideal.y) * inverseFocalSquared;
      const double factor = 1 + k1 * currentR2;
      sample = sampleLumaAt(current, size, xc * factor, yc * factor);
      lensX = xc * currentR2 - ideal.x * previousR2;
      lensY = yc * currentR2 - ideal.y * previousR2;
    } else {
      const Vec3 ray = transposedTimes(rotation, {x, y, focal});
      sample = sampleLuma(current, size, ray, focal, k * (yh * yh));
    }
    if (sample == NoSample) return;
    const int difference = previous[at] - sample;
    ++sums.fit.compared;
    if (std::fabs(difference + brightness) < kLeastDifference) ++sums.fit.agreeing;
    if ((!options.everySample && std::abs(difference) < kLeastDifference) ||
        std::abs(difference) > kMostDifference)
      return;
    ++sums.count;
    sums.differenceSum -= difference;
    const double residual = difference + brightness;
    const double lensRate = radialLens ? g.dx * lensX + g.dy * lensY : g.dx * (yh * yh);
    const std::array<double, 5> j =
        exact ? exactRow
              : std::array<double, 5>{g.dx, g.dy, g.dx * yh - g.dy * xh, g.dy * xh * yh, lensRate};
    for (std::size_t a = 0; a < 5; ++a) {
      for (std::size_t b = a; b < 5; ++b) sums.normal[a][b] += j[a] * j[b];
      sums.rhs[a] += j[a] * residual;
    }
  };
  // The x-shift path sums column by column (its results depend on that order); the radial
  // path reads the planes in memory order, row by row. A large step of the radial finish sums
  // the upper and the lower half of its rows on two cores and adds them in that order, which
  // does not depend on the machine. (The exact Jacobian's runs share the cores with another.)
  StepSums sums;
  if (radialLens) {
    auto sumRows = [&](int from, int to, StepSums& into) {
      for (int r = from; r < to; r += stride)
        for (int c = firstColumn; c < width; c += stride) accumulate(c, r, into);
    };
    const int rows = (height + stride - 1) / stride;
    const std::int64_t points =
        std::int64_t{rows} * std::max(0, (width - firstColumn + stride - 1) / stride);
    if (!exact && points >= kLeastSplitPoints) {
      const int middle = rows / 2 * stride;
      std::future<StepSums> upper = startBeside([&] {
        StepSums half;
        sumRows(0, middle, half);
        return half;
      });
      StepSums lower;
      sumRows(middle, height, lower);
      sums = upper.get();
      sums.add(lower);
    } else {
      sumRows(0, height, sums);
    }
  } else {
    for (int c = firstColumn; c < width; c += stride)
      for (int r = 0; r < height; r += stride) accumulate(c, r, sums);
  }
  Matrix5& normal = sums.normal;
  const std::array<double, 5>& rhs = sums.rhs;
  const int count = sums.count;
  const StepFit fit = sums.fit;
  if (count < kLeastSamples) return fit;
  for (std::size_t a = 0; a < 5; ++a)
    for (std::size_t b = 0; b < a; ++b) normal[a][b] = normal[b][a];

  record.brightness = sums.differenceSum / count;
  const Matrix5 inverse = invert5x5(normal);
  std::array<double, 5> delta{};
  for (std::size_t j = 0; j < 5; ++j)
    for (std::size_t i = 0; i < 5; ++i) delta[j] += inverse[i][j] * rhs[i];
  traceSampleCount(trace, count);

  if (count < kSamplesForLens) delta[3] = delta[4] = 0;
  if (count < kSamplesForRoll) delta[2] = 0;
  if (exact) {
    record.axis.x += delta[0];
    record.axis.y += delta[1];
    if (record.fitFocal != 0) record.focal *= 1 + delta[3];
    record.axis.z = 2 * record.focal;
    if (record.fitRoll != 0) record.roll += delta[2];
    if (record.fitDistortion != 0) record.radial += delta[4];
    return fit;
  }
  record.axis.x += 2 * delta[0];
  record.axis.y += 2 * delta[1];
  if (record.fitFocal != 0) record.focal = record.focal * (2 * delta[3] + 1);
  record.axis.z = 2 * record.focal;
  if (record.fitRoll != 0) record.roll += 2 * delta[2];
  if (record.fitDistortion != 0) {
    if (radialLens)
      record.radial += 2 * delta[4];
    else
      record.distortion += 2 * delta[4];
  }
  return fit;
}

namespace {

// The weighted parameter change the convergence test compares with kConvergedChange.
double parameterChange(const CameraRecord& before, const CameraRecord& after) {
  const double dx = after.axis.x - before.axis.x;
  const double dy = after.axis.y - before.axis.y;
  const double dz = after.axis.z - before.axis.z;
  return std::fabs(after.distortion - before.distortion) + std::fabs(after.radial - before.radial) +
         std::fabs(after.roll - before.roll) + 10 * std::fabs(after.focal - before.focal) +
         dx * dx + dy * dy + dz * dz;
}

}  // namespace

StepFit refinePair(const std::int16_t* previous, const std::int16_t* current, ImageSize size,
                   CameraRecord& record, const StitchParams& params, IProgress* progress,
                   TraceSink& trace, StepOptions options) {
  // The radial lens's steps take the previous plane's gradient at their sample points only.
  const GradientField gradient =
      options.lens == LensTerm::Radial ? GradientField{} : gradientField(previous, size);
  const int steps = params.iterationsPerLevel;
  // Near the optimum the sample set can change from step to step and the estimates alternate
  // between two states; the coarse-to-fine profile also ends a run whose step returns to the
  // state of the step before last.
  const bool endsCycles = params.autoFocal == kAutoFocalCoarseToFine;
  CameraRecord beforeLast = record;
  StepFit fit;
  for (int it = 0; it < steps; ++it) {
    const CameraRecord before = record;
    traceIteration(trace, it, record.roll, record.focal, record.distortion);
    fit = gaussNewtonStep(previous, current, gradient, size, record, trace, options);
    if (parameterChange(before, record) < kConvergedChange) break;
    if (endsCycles && it > 0 && parameterChange(beforeLast, record) < kConvergedChange) break;
    beforeLast = before;
    if (progress != nullptr && progress->Report(static_cast<double>(it) / steps)) break;
  }
  return fit;
}

}  // namespace skylacer
