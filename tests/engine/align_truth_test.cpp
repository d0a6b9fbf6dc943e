// SPDX-License-Identifier: GPL-3.0-or-later
// Ground truth for the sequence alignment: photo series rendered from a real sample photo with
// known camera turns, focal length, roll, lens distortion and exposure.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

#include "engine/align.h"
#include "engine/coarse_search.h"
#include "engine/messages.h"
#include "engine/pair_refinement.h"
#include "tests/support/samples.h"
#include "tests/support/synth_imaging.h"
#include "tests/support/synth_series.h"

namespace skylacer {
namespace {

constexpr double kDegree = std::numbers::pi / 180;

struct SeriesCase {
  const char* name;
  const char* sample;  // folder under samples/, its first photo is the panorama
  ImageSize size;
  double focal;    // half widths
  double overlap;  // angular share of the field of view
  int photos;
  double engineDistortion = 0;
  double radialDistortion = 0;
  int jpegQuality = 0;  // 0: the rendering itself
  double altGain = 1;   // brightness of every other photo
  double pitch = 0;     // radians: photo i is tilted up by pitch · sin(1.3 i + 1.1)
};

void PrintTo(const SeriesCase& c, std::ostream* out) {
  *out << c.name;
}

// Counts the restart texts the alignment shows.
class RestartCounter final : public IProgress {
 public:
  int PushRange(double, double) override { return 0; }
  void PopRange() override {}
  bool Report(double, const char* text) override {
    if (text != nullptr)
      for (auto id : {EngineText::UnsuitableAngle, EngineText::UnsuitableDistortion,
                      EngineText::UnsuitableFocalLength})
        restarts += engineText(id) == text ? 1 : 0;
    return false;
  }
  int restarts = 0;
};

struct AlignedSeries {
  test::PhotoSeries truth;
  std::vector<LumaImage> planes;
  std::vector<CameraRecord> records;
  StitchParams params;
  int restarts = 0;
};

AlignedSeries alignSeries(const SeriesCase& c) {
  AlignedSeries run;
  std::vector<double> rolls;
  for (int i = 0; i < c.photos; ++i) rolls.push_back(0.012 * std::sin(2.1 * i + 0.5));
  run.truth = test::turningSeries(c.size, c.focal, c.overlap, rolls);
  run.truth.engineDistortion = c.engineDistortion;
  run.truth.radialDistortion = c.radialDistortion;
  for (int i = 0; i < c.photos; ++i) {
    run.truth.gains.push_back(i % 2 == 1 ? c.altGain : 1.0);
    run.truth.poses[static_cast<std::size_t>(i)].pitch = c.pitch * std::sin(1.3 * i + 1.1);
  }

  const test::Picture picture = test::loadPicture(test::samplePhotos(c.sample).front());
  const auto cylinder = test::fitCylinder(picture.pixels, picture.size, run.truth);
  for (std::size_t i = 0; i < rolls.size(); ++i) {
    RgbImage photo = test::renderPhoto(cylinder, run.truth, i);
    if (c.jpegQuality > 0) photo = test::jpegRoundTrip(photo, c.size, c.jpegQuality);
    run.planes.push_back(makeLuma(photo, c.size));
  }

  run.params = paramsFromProfileText(kSearchOnlyProfileText);
  run.records.resize(rolls.size() + 1);
  run.records[0].focal = run.records[1].focal = initialFocalLength(run.params);
  RestartCounter progress;
  NullTrace trace;
  alignAll(run.planes, c.size, run.records, run.params, &progress, trace);
  run.restarts = progress.restarts;
  return run;
}

// Turn to the right from camera a to camera b, radians.
double relativeYaw(const Matrix3& a, const Matrix3& b) {
  const Vec3 forward = (transposed(a) * b) * Vec3{0, 0, 1};
  return std::atan2(forward.x, forward.z);
}

// Width of the level the full refinement of pair i ran on.
int refinementWidth(const AlignedSeries& run, std::size_t i) {
  StitchParams params = run.params;
  const ImageSize size = run.truth.photoSize;
  const LumaPyramid previous = buildPyramid(run.planes[i - 1], size, params);
  const LumaPyramid current = buildPyramid(run.planes[i], size, params);
  const CoarseOffset offset = searchCoarseOffset(previous, current, params);
  return previous.size(refinementLevel(previous, offset.dx, params)).width;
}

struct PairError {
  double trueYaw;       // radians
  double yawError;      // radians
  double separationPx;  // pixels of the refinement level
  double rollError;     // radians: turn about the optical axis from the true pair rotation
};

// Pair i against the truth. The separation of the two views, 2 f tan(θ / 2), is what the
// photos pin down even where focal length and turn trade against each other.
PairError pairError(const AlignedSeries& run, std::size_t i) {
  const auto& truth = run.truth;
  const double focal = run.records[0].focal;
  const double yaw = relativeYaw(run.records[i - 1].rotation, run.records[i].rotation);
  const double trueYaw =
      relativeYaw(test::cameraToWorld(truth.poses[i - 1]), test::cameraToWorld(truth.poses[i]));
  const double separation = 2 * focal * std::tan(yaw / 2) - 2 * truth.focal * std::tan(trueYaw / 2);
  const Matrix3 truePair =
      transposed(test::cameraToWorld(truth.poses[i - 1])) * test::cameraToWorld(truth.poses[i]);
  const Matrix3 pair = transposed(run.records[i - 1].rotation) * run.records[i].rotation;
  const Matrix3 rest = transposed(truePair) * pair;
  return {trueYaw, yaw - trueYaw, separation * refinementWidth(run, i) / 2,
          std::atan2(rest[1][0], rest[0][0])};
}

bool allFinite(const CameraRecord& record) {
  if (!std::isfinite(record.focal) || !std::isfinite(record.distortion)) return false;
  for (const auto& row : record.rotation)
    for (double v : row)
      if (!std::isfinite(v)) return false;
  return true;
}

class AlignmentGroundTruth : public testing::TestWithParam<SeriesCase> {};

// Series whose lens follows the engine's own distortion model: the estimates must come close.
TEST_P(AlignmentGroundTruth, RecoversFocalLengthSeparationAndTurn) {
  const SeriesCase c = GetParam();
  const AlignedSeries run = alignSeries(c);
  const double focalError = run.records[0].focal / c.focal - 1;
  RecordProperty("focal_error_percent", std::to_string(100 * focalError));
  EXPECT_LT(std::fabs(focalError), 0.05) << "focal " << run.records[0].focal;
  EXPECT_EQ(run.restarts, 0);
  for (std::size_t i = 1; i < run.planes.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "pair " << i);
    const PairError e = pairError(run, i);
    RecordProperty("pair" + std::to_string(i), std::to_string(e.separationPx) + " px, " +
                                                   std::to_string(e.yawError / kDegree) + " deg");
    EXPECT_LT(std::fabs(e.separationPx), 0.5);
    EXPECT_LT(std::fabs(e.yawError), 0.15 * kDegree + std::sin(e.trueYaw) * std::fabs(focalError));
    EXPECT_LT(std::fabs(e.rollError), 0.004);
  }
}

INSTANTIATE_TEST_SUITE_P(
    EngineLens, AlignmentGroundTruth,
    testing::Values(
        SeriesCase{"Mountains800", "mountains", {800, 600}, 2.3, 0.35, 4},
        SeriesCase{"Trail1024Pincushion", "trail", {1024, 768}, 2.6, 0.40, 4, 0.04},
        SeriesCase{"Mountains800Tilted", "mountains", {800, 600}, 2.3, 0.35, 4, 0, 0, 0, 1, 0.015},
        SeriesCase{"Mountains1152Barrel", "mountains", {1152, 864}, 2.45, 0.30, 3, -0.03}),
    [](const auto& info) { return std::string(info.param.name); });

class AlignmentStaysSane : public testing::TestWithParam<SeriesCase> {};

// Real-world trouble the model does not describe: radial distortion, JPEG artefacts and
// exposure changes. The alignment must stay finite, restart little and land near the truth.
TEST_P(AlignmentStaysSane, UnderRadialDistortionJpegAndExposureChanges) {
  const SeriesCase c = GetParam();
  const AlignedSeries run = alignSeries(c);
  for (std::size_t i = 0; i < run.planes.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "record " << i);
    EXPECT_TRUE(allFinite(run.records[i]));
  }
  EXPECT_LE(run.restarts, 1);
  const double focalError = run.records[0].focal / c.focal - 1;
  RecordProperty("focal_error_percent", std::to_string(100 * focalError));
  EXPECT_LT(std::fabs(focalError), 0.12) << "focal " << run.records[0].focal;
  for (std::size_t i = 1; i < run.planes.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "pair " << i);
    const PairError e = pairError(run, i);
    EXPECT_LT(std::fabs(e.separationPx), 1.5);
    EXPECT_LT(std::fabs(e.yawError), 0.5 * kDegree + std::sin(e.trueYaw) * std::fabs(focalError));
  }
}

INSTANTIATE_TEST_SUITE_P(
    RealLens, AlignmentStaysSane,
    testing::Values(
        SeriesCase{
            "BarrelJpeg70Darker", "mountains", {1024, 768}, 2.48, 0.35, 4, 0, -0.05, 70, 0.9},
        SeriesCase{
            "PincushionJpeg60Brighter", "trail", {800, 600}, 2.2, 0.30, 4, 0, 0.04, 60, 1.1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace skylacer
