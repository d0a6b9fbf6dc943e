// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The camera model of a pair of photographs and the Gauss–Newton refinement of its parameters.
//
// Normalised image coordinates: pixel (column c, row r) of a W x H plane lies at
// x = (2c - W) / W, y = (2r - H) / W. The width spans -1..1, x grows to the right, y downwards,
// and the camera looks along +z. Focal lengths are in the same unit (half the image width).

#include <array>
#include <cmath>
#include <cstdint>

#include "engine/buffers.h"
#include "engine/geometry.h"
#include "engine/params.h"
#include "engine/progress.h"
#include "engine/trace.h"

namespace skylacer {

// One photograph's camera. Pair form (before the sequence is chained): axis, roll, brightness
// and the fit flags relate the photograph to the one before it. Absolute form (after chaining):
// rotation maps the camera's coordinates to world coordinates. Distortion and focal hold in
// both forms. The defaults are those of a fresh record of a stitch run.
struct CameraRecord {
  double distortion = 0;  // k: x shifts by k·y² (see sampleLuma and the projection)
  double focal = 2.0;     // half image widths
  // k1 of the radial lens r_d = r_u · (1 + k1 · r_u²), radii in focal lengths from the photo's
  // centre; estimated by LensTerm::Radial refinements only, 0 leaves every mapping as it is.
  double radial = 0;
  Vec3 axis;                 // pair form: the vector the pair rotation is built from; z = 2·focal
  double roll = 0;           // pair form: radians about the optical axis
  double brightness = 0;     // pair form: mean luminance, new photograph minus previous
  std::int32_t fitRoll = 1;  // the refinement may change roll
  std::int32_t fitDistortion = 1;       // ... distortion
  std::int32_t fitFocal = 1;            // ... focal
  Matrix3 rotation = identityMatrix();  // absolute form
};

// Largest radial coefficient a pair may reach: |k1| · r² stays well inside the reach of
// undistortRadial over a photograph's corners for focal lengths down to 0.6 half widths.
constexpr double kMostRadial = 0.15;

// The pair rotation M of a record in pair form: B built on the unit axis n, applied twice, then
// the roll about z. M maps the new camera's coordinates into the previous camera's; a ray r of
// the previous photograph lies along Mᵀ r in the new photograph's frame.
Matrix3 pairRotation(const CameraRecord& record);

// Central differences of a plane in normalised units (pixel differences x width / 2, integer
// arithmetic, truncated). Entries of the outermost rows and columns have dx = NoSample.
GradientField gradientField(const std::int16_t* plane, ImageSize size);

// The plane's value at normalised position (x, y): bilinear, rounded to the nearest integer.
// NoSample for a position outside 0 <= px < W - 1, 0 <= py < H - 1 (so that the right and lower
// neighbours exist) or a position that is not a number.
inline int sampleLumaAt(const std::int16_t* plane, ImageSize size, double x, double y) {
  const int width = size.width;
  const int height = size.height;
  const double px = (width + width * x) / 2;
  const double py = (width * y + height) / 2;
  // Tested on the doubles: truncating first would let -1 < px < 0 through and is undefined for
  // positions beyond the integer range or not a number.
  if (!(px >= 0 && px < width - 1 && py >= 0 && py < height - 1)) return NoSample;
  const int ix = static_cast<int>(px);
  const int iy = static_cast<int>(py);
  const double fx = px - ix;
  const double fy = py - iy;
  const std::int16_t* top = plane + static_cast<std::ptrdiff_t>(iy) * width + ix;
  const std::int16_t* bottom = top + width;
  const double value =
      (fy * bottom[0] + (1 - fy) * top[0]) * (1 - fx) + fx * (fy * bottom[1] + (1 - fy) * top[1]);
  return static_cast<int>(std::floor(value + 0.5));
}

// The plane's value where the ray p (camera coordinates) meets it for focal length f, with x
// shifted by `shift` normalised units (sampleLumaAt); NoSample also for a ray not in front of
// the camera.
int sampleLuma(const std::int16_t* plane, ImageSize size, Vec3 p, double focal, double shift);

// The lens term the fifth unknown of a refinement step estimates.
enum class LensTerm {
  XShift,  // CameraRecord::distortion, a pair estimate of both photographs' x shift by k·y²
  Radial,  // CameraRecord::radial, the common radial coefficient (distortion is not applied)
};

// How a refinement step models and samples the pair.
struct StepOptions {
  LensTerm lens = LensTerm::XShift;
  int sampleStride = 1;  // every sampleStride-th column and row of the overlap takes part
  // Radial lens only: each unknown's Jacobian column is the new plane's gradient at the sample
  // point (central difference, one pixel either side) times the sample point's move per unit
  // of the unknown (central differences of the mapping), and the update is applied as solved
  // (axis += δ, focal × (1 + δ), roll += δ, k1 += δ). It holds a wide lens's pair in reach
  // where the small-angle columns do not.
  bool exactJacobian = false;
  // The steps also fit the samples that already agree (difference under 10 levels), which are
  // otherwise left out: on an overlap with little detail (a blurred background) they are nearly
  // all of it near the answer, and steps over the few that still differ stop short of the
  // best roll and turn.
  bool everySample = false;
};

// How well a step's starting record fits the pair: of the overlap pixels compared, how many
// agree (difference less the mean brightness difference under 10).
struct StepFit {
  int compared = 0;
  int agreeing = 0;
  // The share of compared pixels that disagree; 1 when none was compared.
  double disagreement() const {
    return compared == 0 ? 1.0 : 1.0 - static_cast<double>(agreeing) / compared;
  }
};

// A photo point's ideal position (radial distortion removed), normalised coordinates, for a
// focal length and radial coefficient k1 with |k1 · r²| well below 1/3 (two Newton steps).
struct NormalisedPoint {
  double x = 0;
  double y = 0;
};
inline NormalisedPoint undistortRadial(double x, double y, double focal, double radial) {
  // s = r_u / r_d solves s + a·s³ = 1 with a = k1 · r_d²; Newton from the first-order guess.
  const double r2 = x * x + y * y;
  // Without distortion a is 0 and the steps leave s at exactly 1 (unless a is not a number);
  // the pair search asks so for every match at every focal length it tries.
  if (radial == 0 && std::isfinite(r2) && focal * focal > 0) return {x, y};
  const double a = radial * r2 / (focal * focal);
  double s = 1 - a;
  for (int step = 0; step < 2; ++step) s -= (s + a * s * s * s - 1) / (1 + 3 * a * s * s);
  return {x * s, y * s};
}

using Matrix5 = std::array<std::array<double, 5>, 5>;

// Gauss–Jordan inversion with partial pivoting. When the largest pivot left in a column is
// below 1e-16 the elimination stops and the partly transformed result is returned.
Matrix5 invert5x5(const Matrix5& matrix);

// The previous plane's mean-removed squared difference to the new plane (luma units squared)
// under two records of the same pair, each taken through its radial lens, over the pixels of
// the previous plane that both records map inside the new plane, so that candidates are
// compared on the same overlap. `compared` is the number of those pixels; with none, both
// differences are +infinity.
struct CommonOverlapFit {
  double first = 0;
  double second = 0;
  int compared = 0;
};
CommonOverlapFit compareOnCommonOverlap(const std::int16_t* previous, const std::int16_t* current,
                                        ImageSize size, const CameraRecord& first,
                                        const CameraRecord& second);

// The correlation coefficient (-1..1) of the previous plane's pixels (every other column and
// row) with the new plane's where the record's pair rotation and radial lens carry them, over
// the pixels that land inside the new plane; 0 with none, or where either side is flat.
struct OverlapCorrelation {
  double correlation = 0;
  int compared = 0;
};
OverlapCorrelation correlateOverlap(const std::int16_t* previous, const std::int16_t* current,
                                    ImageSize size, const CameraRecord& record);

// One Gauss–Newton step of the pair parameters over the overlap columns of the previous plane
// (on the grid of options.sampleStride). `gradient` is gradientField(previous); the radial lens
// does not read it (it may be empty) and takes the same differences at its sample points. With
// LensTerm::Radial both photographs are taken through the record's radial lens: a previous
// pixel's ray is its undistorted position, the new photograph is sampled at the distorted
// position of that ray, and the fifth unknown is k1. Samples whose difference lies outside
// 10..450 take no part; with fewer than 6 samples the record is unchanged, with fewer than 1500
// focal and the lens term keep their values, with fewer than 500 the roll too. Writes the sample
// count to the trace. Returns how well the record fitted before the step.
StepFit gaussNewtonStep(const std::int16_t* previous, const std::int16_t* current,
                        const GradientField& gradient, ImageSize size, CameraRecord& record,
                        TraceSink& trace, StepOptions options = {});

// Up to iterationsPerLevel steps, until a step changes the parameters by less than 0.001 or
// the progress object asks to stop (progress may be null).
// Returns the fit measured by the last step.
StepFit refinePair(const std::int16_t* previous, const std::int16_t* current, ImageSize size,
                   CameraRecord& record, const StitchParams& params, IProgress* progress,
                   TraceSink& trace, StepOptions options = {});

}  // namespace skylacer
