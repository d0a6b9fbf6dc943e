// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/camera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/scripted_progress.h"
#include "tests/support/synth_series.h"
#include "tests/support/synth_texture.h"

namespace skylacer {
namespace {

using test::ScriptedProgress;

CameraRecord pairRecord(Vec3 axis, double roll, double focal) {
  CameraRecord record;
  record.focal = focal;
  record.axis = axis;
  record.roll = roll;
  return record;
}

double determinant(const Matrix3& m) {
  return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
         m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
         m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

void expectMatrixNear(const Matrix3& actual, const Matrix3& expected, double tolerance) {
  for (std::size_t i = 0; i < 3; ++i)
    for (std::size_t j = 0; j < 3; ++j)
      EXPECT_NEAR(actual[i][j], expected[i][j], tolerance) << "entry " << i << "," << j;
}

TEST(PairRotation, AHorizontalAxisTurnsTheNewCameraByTwiceItsAngle) {
  // The axis points half-way between the two cameras: x = -0.4 at z = 4.8 is a turn of
  // 2 atan(0.4 / 4.8) to the right.
  const Matrix3 m = pairRotation(pairRecord({-0.4, 0, 4.8}, 0, 2.4));
  const double turn = 2 * std::atan(0.4 / 4.8);
  const Vec3 forward = m * Vec3{0, 0, 1};
  EXPECT_NEAR(forward.x, std::sin(turn), 1e-15);
  EXPECT_NEAR(forward.y, 0, 1e-15);
  EXPECT_NEAR(forward.z, std::cos(turn), 1e-15);
}

TEST(PairRotation, RollTurnsAboutTheOpticalAxis) {
  const double a = 0.1;
  const Matrix3 expected = {
      {{std::cos(a), -std::sin(a), 0}, {std::sin(a), std::cos(a), 0}, {0, 0, 1}}};
  expectMatrixNear(pairRotation(pairRecord({0, 0, 4}, a, 2)), expected, 1e-15);
}

TEST(PairRotation, IsAlwaysAProperRotation) {
  std::mt19937 random(3);
  std::uniform_real_distribution<double> offset(-1.5, 1.5);
  std::uniform_real_distribution<double> roll(-0.3, 0.3);
  for (int i = 0; i < 20; ++i) {
    const Vec3 axis{offset(random), offset(random) / 4, 2 * 2.5};
    SCOPED_TRACE(testing::Message() << "axis " << axis.x << "," << axis.y);
    const Matrix3 m = pairRotation(pairRecord(axis, roll(random), 2.5));
    expectMatrixNear(m * transposed(m), identityMatrix(), 1e-14);
    EXPECT_NEAR(determinant(m), 1, 1e-14);
  }
}

TEST(GradientField, ScalesPixelStepsByHalfTheWidthInIntegersAndMarksTheBorder) {
  const ImageSize size{5, 3};
  const LumaImage plane = {0, 0,  0, 0, 0,  //
                           0, 10, 7, 7, 0,  //
                           0, 0,  4, 0, 0};
  const GradientField field = gradientField(plane.data(), size);
  ASSERT_EQ(field.size(), 15u);
  for (int i : {0, 1, 2, 3, 4, 5, 9, 10, 11, 12, 13, 14}) {
    SCOPED_TRACE(i);
    EXPECT_EQ(field[static_cast<std::size_t>(i)].dx, NoSample);
  }
  EXPECT_EQ(field[6].dx, 17);  // (7 - 0) x 5 / 2 = 35 / 2 truncated
  EXPECT_EQ(field[6].dy, 0);
  EXPECT_EQ(field[7].dx, -7);  // (7 - 10) x 5 / 2 = -15 / 2 truncated towards zero
  EXPECT_EQ(field[7].dy, 10);  // (4 - 0) x 5 / 2: the width scales y too
  EXPECT_EQ(field[8].dx, -17);
}

// A 4 x 3 plane whose value at (c, r) is 10c + 100r.
LumaImage rampPlane() {
  LumaImage plane(12);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c)
      plane[static_cast<std::size_t>(r * 4 + c)] = static_cast<std::int16_t>(10 * c + 100 * r);
  return plane;
}

// The ray that lands on pixel position (px, py) of a W x H plane for focal 1.
Vec3 rayTo(double px, double py, ImageSize size) {
  return {(2 * px - size.width) / size.width, (2 * py - size.height) / size.width, 1};
}

TEST(UndistortRadial, InvertsTheRadialLensOverThePhotoAndLeavesAZeroCoefficientExact) {
  for (const double k1 : {-0.08, -0.05, 0.03, 0.08}) {
    for (const double focal : {1.2, 2.4}) {
      for (const auto& [x, y] : {std::pair{0.0, 0.0}, {1.0, 0.75}, {-1.0, 0.3}, {0.4, -0.75}}) {
        SCOPED_TRACE(testing::Message()
                     << "k1 " << k1 << " f " << focal << " at " << x << ", " << y);
        const double r2 = (x * x + y * y) / (focal * focal);
        const NormalisedPoint ideal =
            undistortRadial(x * (1 + k1 * r2), y * (1 + k1 * r2), focal, k1);
        EXPECT_NEAR(ideal.x, x, 1e-7);
        EXPECT_NEAR(ideal.y, y, 1e-7);
      }
    }
  }
  const NormalisedPoint same = undistortRadial(0.7, -0.3, 2.4, 0);
  EXPECT_EQ(same.x, 0.7);
  EXPECT_EQ(same.y, -0.3);
}

TEST(SampleLuma, InterpolatesBilinearlyAndRounds) {
  const ImageSize size{4, 3};
  const LumaImage plane = rampPlane();
  EXPECT_EQ(sampleLuma(plane.data(), size, rayTo(2, 1, size), 1, 0), 120);
  EXPECT_EQ(sampleLuma(plane.data(), size, rayTo(1.25, 0.5, size), 1, 0), 63);  // 62.5 rounds up
  EXPECT_EQ(sampleLuma(plane.data(), size, rayTo(1.2, 0.5, size), 1, 0), 62);
  // Focal length and shift act in normalised units: x = f · p.x / p.z + shift.
  EXPECT_EQ(sampleLuma(plane.data(), size, {0.25, 0, 2}, 4, -0.5), 170);  // at (2, 1.5)
}

TEST(SampleLuma, GivesNoSampleBehindTheCameraAndOutsideTheInterpolableArea) {
  const ImageSize size{4, 3};
  const LumaImage plane = rampPlane();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    const char* what;
    Vec3 ray;
  } cases[] = {
      {"in the camera plane", {0, 0, 0}},
      {"behind the camera", {0, 0, -1}},
      {"just left of the first column", rayTo(-0.5, 1, size)},
      {"just above the first row", rayTo(1, -0.25, size)},
      {"on the last column", rayTo(3, 1, size)},
      {"on the last row", rayTo(1, 2, size)},
      {"far outside", {1e300, 1e300, 1}},
      {"not a number", {nan, 0, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(sampleLuma(plane.data(), size, c.ray, 1, 0), NoSample);
  }
  EXPECT_EQ(sampleLuma(plane.data(), size, rayTo(2.99, 1.99, size), 1, 0), 229);
  EXPECT_EQ(sampleLuma(plane.data(), size, rayTo(0, 0, size), 1, 0), 0);
}

Matrix5 multiply(const Matrix5& a, const Matrix5& b) {
  Matrix5 product{};
  for (std::size_t i = 0; i < 5; ++i)
    for (std::size_t j = 0; j < 5; ++j)
      for (std::size_t k = 0; k < 5; ++k) product[i][j] += a[i][k] * b[k][j];
  return product;
}

Matrix5 identity5() {
  Matrix5 m{};
  for (std::size_t i = 0; i < 5; ++i) m[i][i] = 1;
  return m;
}

void expectMatrix5Near(const Matrix5& actual, const Matrix5& expected, double tolerance) {
  for (std::size_t i = 0; i < 5; ++i)
    for (std::size_t j = 0; j < 5; ++j)
      EXPECT_NEAR(actual[i][j], expected[i][j], tolerance) << "entry " << i << "," << j;
}

TEST(Invert5x5, InvertsANormalMatrix) {
  // jᵀj sums like the refinement's, so symmetric and positive definite.
  std::mt19937 random(5);
  std::normal_distribution<double> value(0, 100);
  Matrix5 normal{};
  for (int sample = 0; sample < 50; ++sample) {
    std::array<double, 5> j;
    for (auto& v : j) v = value(random);
    for (std::size_t a = 0; a < 5; ++a)
      for (std::size_t b = 0; b < 5; ++b) normal[a][b] += j[a] * j[b];
  }
  expectMatrix5Near(multiply(normal, invert5x5(normal)), identity5(), 1e-12);
}

TEST(Invert5x5, PivotsPastZerosOnTheDiagonal) {
  // A cyclic permutation: every diagonal entry is 0, the inverse is the transpose.
  Matrix5 permutation{};
  for (std::size_t i = 0; i < 5; ++i) permutation[i][(i + 1) % 5] = 1;
  Matrix5 expected{};
  for (std::size_t i = 0; i < 5; ++i) expected[(i + 1) % 5][i] = 1;
  expectMatrix5Near(invert5x5(permutation), expected, 0);
}

TEST(Invert5x5, StopsAtAColumnWithoutAPivotAndReturnsThePartialResult) {
  Matrix5 singular{};
  singular[0][0] = 2;
  singular[1][1] = 4;
  singular[3][3] = 5;
  singular[4][4] = 8;
  Matrix5 expected = identity5();
  expected[0][0] = 0.5;
  expected[1][1] = 0.25;  // columns 3 and 4 are never reached
  expectMatrix5Near(invert5x5(singular), expected, 0);
  expectMatrix5Near(invert5x5(Matrix5{}), identity5(), 0);
}

// The previous and the new photograph's luma planes.
struct PlanePair {
  ImageSize size;
  LumaImage previous;
  LumaImage current;
};

// Two flat planes: every counted sample has the difference `difference` and no gradient.
PlanePair flatPair(ImageSize size, int difference) {
  const auto count = static_cast<std::size_t>(size.width * size.height);
  return {size, LumaImage(count, 400),
          LumaImage(count, static_cast<std::int16_t>(400 - difference))};
}

// One refinement step of `record` on `pair`; its trace goes to `trace` when given.
CameraRecord step(const PlanePair& pair, CameraRecord record, std::string* trace = nullptr) {
  StringTrace sink;
  gaussNewtonStep(pair.previous.data(), pair.current.data(),
                  gradientField(pair.previous.data(), pair.size), pair.size, record, sink);
  if (trace != nullptr) *trace = sink.text();
  return record;
}

TEST(GaussNewtonStep, CountsOnlyDifferencesFrom10To450) {
  const CameraRecord start = pairRecord({0, 0, 4.8}, 0, 2.4);
  for (int difference : {9, 10, 450, 451, -9, -10, -450, -451}) {
    SCOPED_TRACE(difference);
    std::string trace;
    const CameraRecord after = step(flatPair({20, 16}, difference), start, &trace);
    if (std::abs(difference) >= 10 && std::abs(difference) <= 450) {
      EXPECT_EQ(after.brightness, -difference);  // the mean of new minus previous
      EXPECT_EQ(trace, "252\t");                 // the 18 x 14 pixels inside the border
    } else {
      EXPECT_EQ(after.brightness, start.brightness);
      EXPECT_EQ(trace, "");
    }
  }
}

TEST(GaussNewtonStep, CountsEveryGridSampleInsideTheBorderOnceInBothLensModels) {
  const struct {
    ImageSize size;
    int stride;
    const char* trace;
  } cases[] = {
      {{20, 16}, 2, "63\t"},       // columns 2, 4 .. 18 of rows 2, 4 .. 14
      {{200, 101}, 1, "19602\t"},  // 198 x 99; the radial step sums its halves on two cores
      {{420, 161}, 2, "16511\t"},  // 209 x 79, halves of an odd number of grid rows
  };
  for (const auto& c : cases) {
    const PlanePair pair = flatPair(c.size, 30);
    for (const LensTerm lens : {LensTerm::XShift, LensTerm::Radial}) {
      SCOPED_TRACE(testing::Message() << c.size.width << " lens " << static_cast<int>(lens));
      StringTrace sink;
      CameraRecord record = pairRecord({0, 0, 4.8}, 0, 2.4);
      const StepFit fit = gaussNewtonStep(pair.previous.data(), pair.current.data(),
                                          gradientField(pair.previous.data(), pair.size), pair.size,
                                          record, sink, {lens, c.stride});
      EXPECT_EQ(sink.text(), c.trace);
      EXPECT_EQ(fit.compared, std::stoi(c.trace));
      EXPECT_EQ(record.brightness, -30);
    }
  }
}

TEST(GaussNewtonStep, FewerThanSixSamplesLeaveTheRecordUnchanged) {
  // A 4 x 4 plane has 2 x 2 pixels inside its border.
  CameraRecord start = pairRecord({-0.1, 0.05, 4.8}, 0.01, 2.4);
  start.brightness = 3;
  std::string trace;
  const CameraRecord after = step(flatPair({4, 4}, 30), start, &trace);
  EXPECT_EQ(after.brightness, 3);
  EXPECT_EQ(after.axis.x, -0.1);
  EXPECT_EQ(trace, "");
}

TEST(GaussNewtonStep, ANewPhotoLeftOfThePreviousOneIsSampledFromColumnZero) {
  // The new camera turned left: its left edge lies far left of the previous plane.
  const CameraRecord after = step(flatPair({40, 30}, 20), pairRecord({0.6, 0, 4.8}, 0, 2.4));
  EXPECT_EQ(after.brightness, -20);
  EXPECT_EQ(after.axis.x, 0.6);
}

// A pair of photos rendered from a noise picture with the new camera turned right by `yaw`,
// both taken through a radial lens with coefficient k1.
PlanePair renderedPair(ImageSize size, double focal, double yaw, double roll, double k1 = 0) {
  test::PhotoSeries series;
  series.photoSize = size;
  series.focal = focal;
  series.poses = {{0, 0}, {yaw, roll}};
  series.radialDistortion = k1;
  // About as many picture pixels per radian as a 256-wide photo has: no aliasing.
  const auto cylinder = test::fitCylinder(test::noisePicture({512, 256}, 11), {512, 256}, series);
  auto planes = test::renderLumaSeries(cylinder, series);
  return {size, std::move(planes[0]), std::move(planes[1])};
}

// The record the refinement starts from for a pair turned by `yaw`: the exact axis, roll 0.
CameraRecord seedRecord(double focal, double yaw) {
  return pairRecord({-2 * focal * std::tan(yaw / 2), 0, 2 * focal}, 0, focal);
}

struct SampleCountCase {
  ImageSize size;
  bool rollMoves;
  bool lensMoves;
};

void PrintTo(const SampleCountCase& c, std::ostream* out) {
  *out << c.size.width << "x" << c.size.height;
}

class GaussNewtonStepSampleCount : public testing::TestWithParam<SampleCountCase> {};

TEST_P(GaussNewtonStepSampleCount, DecidesWhichParametersMove) {
  const SampleCountCase c = GetParam();
  const PlanePair pair = renderedPair(c.size, 2.4, 0.45, 0.02);
  CameraRecord record = seedRecord(2.4, 0.45);
  record.axis.x += 0.01;
  const CameraRecord before = record;
  std::string trace;
  record = step(pair, record, &trace);
  const int samples = std::stoi(trace);
  SCOPED_TRACE(testing::Message() << samples << " samples");
  EXPECT_NE(record.axis.x, before.axis.x);
  EXPECT_EQ(record.roll != before.roll, c.rollMoves);
  EXPECT_EQ(record.focal != before.focal, c.lensMoves);
  EXPECT_EQ(record.distortion != before.distortion, c.lensMoves);
  EXPECT_EQ(record.axis.z, 2 * record.focal);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, GaussNewtonStepSampleCount,
                         testing::Values(SampleCountCase{{40, 30}, false, false},  // < 500
                                         SampleCountCase{{64, 48}, true, false},   // < 1500
                                         SampleCountCase{{200, 150}, true, true}));

TEST(GaussNewtonStep, WithEveryFitFlagOffMovesOnlyTheAxisAndTheBrightness) {
  const PlanePair pair = renderedPair({200, 150}, 2.4, 0.45, 0.02);
  CameraRecord record = seedRecord(2.4, 0.45);
  record.axis.x += 0.01;
  record.distortion = 0.05;
  record.fitRoll = record.fitDistortion = record.fitFocal = 0;
  const CameraRecord before = record;
  record = step(pair, record);
  EXPECT_NE(record.axis.x, before.axis.x);
  EXPECT_NE(record.axis.y, before.axis.y);
  EXPECT_NE(record.brightness, before.brightness);
  EXPECT_EQ(record.roll, before.roll);
  EXPECT_EQ(record.focal, before.focal);
  EXPECT_EQ(record.axis.z, before.axis.z);
  EXPECT_EQ(record.distortion, before.distortion);
}

int countOf(const std::string& text, const std::string& what) {
  int count = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

TEST(RefinePair, RecoversTheTurnOfARenderedPair) {
  const double yaw = 0.45;
  const PlanePair pair = renderedPair({256, 192}, 2.4, yaw, 0);
  CameraRecord record = seedRecord(2.4, yaw);
  record.axis.x += 0.03;  // about 4 pixels off
  record.axis.y -= 0.02;
  record.fitDistortion = record.fitFocal = 0;
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  StringTrace trace;
  refinePair(pair.previous.data(), pair.current.data(), pair.size, record, params, nullptr, trace);
  // Separation of the two views in pixels of this plane: the axis x in half widths.
  const double separationError = (record.axis.x - seedRecord(2.4, yaw).axis.x) * 256 / 2;
  EXPECT_LT(std::fabs(separationError), 0.3);
  EXPECT_LT(std::fabs(record.axis.y * 256 / 2), 0.3);
  EXPECT_LT(std::fabs(record.roll), 0.003);
  EXPECT_LT(countOf(trace.text(), " al = "), 16) << "converged before the last step";
}

// Barrel and pincushion lenses: the x-shift term reads them as a wrong focal length, the
// radial term recovers the focal length, the coefficient and the turn (the noise picture is
// enlarged for a 512-wide photo: the coefficient comes within a sixth).
TEST(RefinePair, RadialLensTermRecoversTheLensOfARenderedPair) {
  const double yaw = 0.6;
  const double focal = 1.6;
  for (const double k1 : {-0.05, 0.03}) {
    SCOPED_TRACE(testing::Message() << "k1 " << k1);
    const PlanePair pair = renderedPair({512, 384}, focal, yaw, 0.01, k1);
    StitchParams params = paramsFromProfileText(kDefaultProfileText);
    params.iterationsPerLevel = 40;
    NullTrace trace;
    CameraRecord shifted = seedRecord(focal, yaw);
    refinePair(pair.previous.data(), pair.current.data(), pair.size, shifted, params, nullptr,
               trace);
    CameraRecord radial = seedRecord(focal, yaw);
    refinePair(pair.previous.data(), pair.current.data(), pair.size, radial, params, nullptr, trace,
               {LensTerm::Radial});
    EXPECT_GT(std::fabs(shifted.focal / focal - 1), 0.02);
    EXPECT_LT(std::fabs(radial.focal / focal - 1), 0.003);
    EXPECT_NEAR(radial.radial, k1, 0.008);
    EXPECT_EQ(radial.distortion, 0);
    EXPECT_NEAR(radial.roll, 0.01, 0.001);
    const double separationError = (radial.axis.x - seedRecord(focal, yaw).axis.x) * 512 / 2;
    EXPECT_LT(std::fabs(separationError), 0.5);
  }
}

TEST(RefinePair, ExactJacobianRecoversTheLensAndRollOfAWideLensPair) {
  const double yaw = 0.97;  // 56°, 80° field of view
  const double focal = 1.2;
  const double k1 = 0;
  const PlanePair pair = renderedPair({512, 384}, focal, yaw, 0.01, k1);
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  params.iterationsPerLevel = 40;
  NullTrace trace;
  CameraRecord record = seedRecord(focal, yaw);
  record.axis.x *= 1.01;
  refinePair(pair.previous.data(), pair.current.data(), pair.size, record, params, nullptr, trace,
             {LensTerm::Radial, 1, true});
  EXPECT_LT(std::fabs(record.focal / focal - 1), 0.005);
  EXPECT_NEAR(record.radial, k1, 0.008);
  EXPECT_NEAR(record.roll, 0.01, 0.002);
  const double separationError = (record.axis.x - seedRecord(focal, yaw).axis.x) * 512 / 2;
  EXPECT_LT(std::fabs(separationError), 1.0);
}

TEST(CompareOnCommonOverlap, ScoresTheTrueTurnBelowAShiftedOneOnTheSamePixels) {
  const PlanePair pair = renderedPair({256, 192}, 1.6, 0.6, 0.01);
  CameraRecord truth = seedRecord(1.6, 0.6);
  truth.roll = 0.01;
  CameraRecord shifted = truth;
  shifted.axis.x += 4 * 2.0 / 256;  // four pixels
  const auto compare = [&](const CameraRecord& a, const CameraRecord& b) {
    return compareOnCommonOverlap(pair.previous.data(), pair.current.data(), pair.size, a, b);
  };
  const CommonOverlapFit fit = compare(truth, shifted);
  EXPECT_GT(fit.compared, 5000);
  EXPECT_LT(fit.first * 4, fit.second);
  const CommonOverlapFit swapped = compare(shifted, truth);
  EXPECT_EQ(swapped.compared, fit.compared);
  EXPECT_DOUBLE_EQ(swapped.first, fit.second);
  EXPECT_DOUBLE_EQ(swapped.second, fit.first);

  // A brightness offset between the photographs does not count (the mean is removed).
  PlanePair brighter = renderedPair({256, 192}, 1.6, 0.6, 0.01);
  for (auto& value : brighter.current) value = static_cast<std::int16_t>(value + 30);
  const CommonOverlapFit offset = compareOnCommonOverlap(
      brighter.previous.data(), brighter.current.data(), brighter.size, truth, shifted);
  EXPECT_NEAR(offset.first, fit.first, 0.5);

  // A record that maps no pixel inside the new photograph leaves nothing to compare.
  CameraRecord away = truth;
  away.axis.x = -40;
  const CommonOverlapFit none = compare(truth, away);
  EXPECT_EQ(none.compared, 0);
  EXPECT_TRUE(std::isinf(none.first) && std::isinf(none.second));
}

TEST(RefinePair, WritesTwoTraceLinesPerStepAndStopsOnceConverged) {
  // Flat planes move nothing but the brightness, which the convergence measure leaves out:
  // the first step ends the run before any progress report.
  const PlanePair pair = flatPair({20, 16}, 30);
  CameraRecord record = pairRecord({0, 0, 4.96}, 0, 2.48);
  record.distortion = -0.125;
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  StringTrace trace;
  ScriptedProgress progress;
  refinePair(pair.previous.data(), pair.current.data(), pair.size, record, params, &progress,
             trace);
  EXPECT_EQ(trace.text(), "   0 al = 0.000000 focus = 2.480000 xx = -0.125000\n252\t");
  EXPECT_EQ(record.brightness, -30);
  EXPECT_TRUE(progress.fractions.empty());
}

TEST(RefinePair, AStopRequestEndsTheRunAfterTheCurrentStep) {
  const PlanePair pair = renderedPair({128, 96}, 2.4, 0.45, 0);
  CameraRecord record = seedRecord(2.4, 0.45);
  record.axis.x += 0.05;
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  StringTrace trace;
  ScriptedProgress progress(1);
  refinePair(pair.previous.data(), pair.current.data(), pair.size, record, params, &progress,
             trace);
  EXPECT_EQ(progress.fractions, (std::vector<double>{0.0, 1.0 / 16}));
  EXPECT_EQ(countOf(trace.text(), " al = "), 2);
}

}  // namespace
}  // namespace skylacer
