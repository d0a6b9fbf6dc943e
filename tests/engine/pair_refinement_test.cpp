// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pair_refinement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "engine/messages.h"
#include "tests/support/recording_progress.h"
#include "tests/support/synth_series.h"
#include "tests/support/synth_texture.h"

namespace skylacer {
namespace {

using test::RecordingProgress;

// A restart storm would never end: this progress object ends it after five texts.
RecordingProgress stormGuard() {
  return RecordingProgress(
      [texts = 0](const std::string& text) mutable { return !text.empty() && ++texts > 5; });
}

// The coarse search seeds every pair: the sequence alignment as it is without feature matching.
StitchParams defaults() {
  return paramsFromProfileText(kSearchOnlyProfileText);
}

int countText(const RecordingProgress& progress, EngineText id) {
  int count = 0;
  for (const auto& e : progress.entries) count += e.text == engineText(id) ? 1 : 0;
  return count;
}

TEST(CheckPair, TestsRollThenDistortionThenFocalAndFailsWhatIsNotANumber) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double roll, distortion, focal;
    PairCheck expected;
    double radial = 0;
  } cases[] = {
      {0.2, -0.5, 0.1, PairCheck::Plausible, -0.15},
      {-0.2, 0.5, 11, PairCheck::Plausible, 0.15},
      {0.2001, 0.9, 20, PairCheck::RollOutOfBounds},
      {nan, 0, 2, PairCheck::RollOutOfBounds},
      {0, 0.5001, 20, PairCheck::DistortionOutOfBounds},
      {0, nan, 2, PairCheck::DistortionOutOfBounds},
      {0, 0, 20, PairCheck::DistortionOutOfBounds, -0.1501},
      {0, 0, 2, PairCheck::DistortionOutOfBounds, nan},
      {0, 0, 0.0999, PairCheck::FocalOutOfBounds},
      {0, 0, 11.001, PairCheck::FocalOutOfBounds},
      {0, 0, nan, PairCheck::FocalOutOfBounds},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.roll << " " << c.distortion << " " << c.focal << " " << c.radial);
    CameraRecord record;
    record.roll = c.roll;
    record.distortion = c.distortion;
    record.focal = c.focal;
    record.radial = c.radial;
    EXPECT_EQ(checkPair(record), c.expected);
  }
}

TEST(RefinementLevel, StepsFinerUntilTheOverlapHoldsMoreThanTheBudget) {
  StitchParams params = defaults();
  const ImageSize size{1024, 768};
  const LumaImage plane(1024 * 768, 384);
  const LumaPyramid pyramid = buildPyramid(plane, size, params);
  ASSERT_EQ(pyramid.coarsestLevel(), 2);  // 256 x 192
  const double dx = -1.3;                 // 35 % overlap
  // 0.7 x 256 x 192 = 34406 > 2 x 8000: the coarsest level already holds enough.
  EXPECT_EQ(refinementLevel(pyramid, dx, params), 2);
  params.nonlinearPixels = 20000;  // 34406 <= 40000, then 0.7 x 512 x 384 > 40000
  EXPECT_EQ(refinementLevel(pyramid, dx, params), 1);
  params.nonlinearPixels = 1000000;
  EXPECT_EQ(refinementLevel(pyramid, dx, params), 0);
  params.finestLevelLimit = 2;  // a level below the limit stops moving
  EXPECT_EQ(refinementLevel(pyramid, dx, params), 1);
  params.finestLevelLimit = 3;
  EXPECT_EQ(refinementLevel(pyramid, dx, params), 2);
}

// A profile that lets the refinement move the roll but neither focal length nor distortion.
StitchParams rollOnly() {
  StitchParams params = defaults();
  params.autoFocal = 0;
  params.correctDistortion = 0;
  return params;
}

// Photos rendered from a noise picture, about as sharp as the photos themselves.
std::vector<LumaImage> noiseSeries(const test::PhotoSeries& series) {
  return test::renderLumaSeries(
      test::fitCylinder(test::noisePicture({768, 384}, 21), {768, 384}, series), series);
}

struct PairPyramids {
  std::vector<LumaImage> planes;
  LumaPyramid previous;
  LumaPyramid current;
};

PairPyramids pairPyramids(std::vector<LumaImage> planes, ImageSize size, StitchParams& params) {
  LumaPyramid previous = buildPyramid(planes[0], size, params);
  LumaPyramid current = buildPyramid(planes[1], size, params);
  return {std::move(planes), std::move(previous), std::move(current)};
}

CameraRecord startRecord(double focal, const StitchParams& params) {
  CameraRecord record;
  record.focal = focal;
  record.fitRoll = params.calcRotation;
  record.fitDistortion = params.correctDistortion;
  record.fitFocal = params.autoFocal;
  return record;
}

// Two photos 320 x 240, the second turned right by 0.5 and rolled by `roll`.
std::vector<LumaImage> rolledPair(double roll) {
  return noiseSeries(test::turningSeries({320, 240}, 2.4, 0.4, {0, roll}));
}

TEST(AlignPair, ARollBeyondItsBoundRestartsOnceWithTheRollFrozen) {
  StitchParams params = rollOnly();
  const auto pair = pairPyramids(rolledPair(0.3), {320, 240}, params);
  CameraRecord record = startRecord(2.4, params);
  RecordingProgress progress;
  NullTrace trace;
  alignPair(pair.previous, pair.current, record, params, &progress, trace);
  EXPECT_EQ(countText(progress, EngineText::UnsuitableAngle), 1);
  EXPECT_EQ(progress.withText().size(), 1u);
  EXPECT_EQ(record.fitRoll, 0);
  EXPECT_EQ(record.roll, 0);
  EXPECT_EQ(progress.depth(), 0);
}

TEST(AlignPair, AStopRequestAtARestartLeavesTheRecordAsThatRunLeftIt) {
  StitchParams params = rollOnly();
  const auto pair = pairPyramids(rolledPair(0.3), {320, 240}, params);
  CameraRecord record = startRecord(2.4, params);
  RecordingProgress progress([](const std::string& text) { return !text.empty(); });
  NullTrace trace;
  alignPair(pair.previous, pair.current, record, params, &progress, trace);
  EXPECT_EQ(progress.withText().size(), 1u);
  EXPECT_GT(std::fabs(record.roll), 0.2);
  EXPECT_EQ(record.fitRoll, 1);
}

TEST(AlignPair, AnInheritedValueOutsideItsBoundIsAcceptedOnceItIsFrozen) {
  // The inherited values fail their tests and may not move: restarting could only repeat the
  // same run.
  StitchParams params = rollOnly();
  const auto pair = pairPyramids(rolledPair(0.01), {320, 240}, params);
  for (const auto& [distortion, focal] : {std::pair{0.7, 2.4}, std::pair{0.0, 20.0}}) {
    SCOPED_TRACE(testing::Message() << "k " << distortion << " f " << focal);
    CameraRecord record = startRecord(focal, params);
    record.distortion = distortion;
    RecordingProgress progress = stormGuard();
    NullTrace trace;
    alignPair(pair.previous, pair.current, record, params, &progress, trace);
    EXPECT_EQ(progress.withText().size(), 0u);
    EXPECT_EQ(record.distortion, distortion);
    EXPECT_EQ(record.focal, focal);
  }
}

TEST(AlignPair, AnInheritedValueThatStillMovesRestartsOnceThenIsAccepted) {
  StitchParams params = defaults();
  const auto pair = pairPyramids(rolledPair(0.01), {320, 240}, params);
  CameraRecord record = startRecord(2.4, params);
  record.distortion = 3;  // far outside: the first run cannot bring it back within 0.5
  RecordingProgress progress = stormGuard();
  NullTrace trace;
  alignPair(pair.previous, pair.current, record, params, &progress, trace);
  ASSERT_EQ(progress.withText().size(), 1u);
  EXPECT_EQ(progress.withText()[0].text, engineText(EngineText::UnsuitableDistortion));
  EXPECT_EQ(record.fitDistortion, 0);
  EXPECT_EQ(record.distortion, 3);
}

// The fallback of a pair without features: an overlap with no sharp detail (a coarse noise
// picture, each of its pixels spread over four or five photo pixels, as a blurred background is)
// still gives its roll and turn, from the pixels that already nearly agree.
TEST(AlignPair, ABlurredOverlapStillGivesItsRollAndTurn) {
  constexpr double kDegree = std::numbers::pi / 180;
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  params.autoFocal = kAutoFocalCoarseToFine;
  const ImageSize size{640, 480};
  const double roll = 0.4 * kDegree;
  const test::PhotoSeries series = test::turningSeries(size, 2.4, 0.3, {0, roll});
  const ImageSize pictureSize{240, 120};
  auto pair = pairPyramids(
      test::renderLumaSeries(
          test::fitCylinder(test::noisePicture(pictureSize, 7), pictureSize, series), series),
      size, params);
  CameraRecord record = startRecord(series.focal, params);
  record.fitFocal = record.fitDistortion = 0;
  NullTrace trace;
  alignPair(pair.previous, pair.current, record, params, nullptr, trace, false);
  const Vec3 seen = pairRotation(record) * Vec3{0, 0, 1};
  const Vec3 truth = transposed(test::cameraToWorld(series.poses[0])) *
                     test::cameraToWorld(series.poses[1]) * Vec3{0, 0, 1};
  EXPECT_NEAR(record.roll, roll, 0.05 * kDegree);
  EXPECT_NEAR(std::atan2(seen.x, seen.z), std::atan2(truth.x, truth.z), 0.05 * kDegree);
}

}  // namespace
}  // namespace skylacer
