#include "engine/align.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "engine/circle_closing.h"
#include "engine/messages.h"
#include "engine/pair_refinement.h"
#include "engine/series_cameras.h"
#include "tests/support/synth_series.h"
#include "tests/support/synth_texture.h"

namespace skylacer {
namespace {

// Follows the range stack like a front end and records every report with its position in the
// whole range. `stop` decides, from the text, whether a report asks the work to stop.
class RecordingProgress final : public IProgress {
 public:
  struct Entry {
    std::string text;  // empty when the report had none
    double position;
  };

  explicit RecordingProgress(std::function<bool(const std::string&)> stop = nullptr)
      : stop_(std::move(stop)) {}

  int PushRange(double from, double to) override { return ranges_.push(from, to); }
  void PopRange() override { ranges_.pop(); }
  bool Report(double fraction, const char* text) override {
    entries.push_back({text != nullptr ? text : "", ranges_.map(fraction)});
    return stop_ && stop_(entries.back().text);
  }
  int depth() const { return ranges_.depth(); }

  std::vector<Entry> entries;

  std::vector<Entry> withText() const {
    std::vector<Entry> texts;
    for (const auto& e : entries)
      if (!e.text.empty()) texts.push_back(e);
    return texts;
  }

 private:
  ProgressRanges ranges_;
  std::function<bool(const std::string&)> stop_;
};

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

// Turn of a camera to the right about the vertical axis, radians.
double yawOf(const Matrix3& rotation) {
  const Vec3 forward = rotation * Vec3{0, 0, 1};
  return std::atan2(forward.x, forward.z);
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

// n + 1 fresh records of a stitch run: records 0 and 1 start at `focal`.
std::vector<CameraRecord> freshRecords(std::size_t photos, double focal) {
  std::vector<CameraRecord> records(photos + 1);
  records[0].focal = records[1].focal = focal;
  return records;
}

TEST(AlignAll, GivesEveryPairAnEqualShareOfTheProgressRange) {
  const ImageSize size{160, 120};
  const auto planes = noiseSeries(test::turningSeries(size, 2.4, 0.4, {0, 0, 0, 0}));
  auto records = freshRecords(4, 2.4);
  StitchParams params = defaults();
  RecordingProgress progress;
  NullTrace trace;
  alignAll(planes, size, records, params, &progress, trace);
  const auto texts = progress.withText();
  ASSERT_EQ(texts.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(texts[static_cast<std::size_t>(i)].text, aligningImageText(i + 1));
    EXPECT_NEAR(texts[static_cast<std::size_t>(i)].position, i / 3.0, 1e-12);
  }
  for (const auto& entry : progress.entries) {
    EXPECT_GE(entry.position, 0);
    EXPECT_LE(entry.position, 1);
  }
  EXPECT_EQ(progress.depth(), 0);
}

TEST(AlignAll, AStopRequestEndsTheSequenceBeforeTheNextPair) {
  const ImageSize size{160, 120};
  const auto planes = noiseSeries(test::turningSeries(size, 2.4, 0.4, {0, 0, 0}));
  auto records = freshRecords(3, 2.4);
  StitchParams params = defaults();
  RecordingProgress progress([](const std::string& text) { return text == "Aligning image 2..."; });
  NullTrace trace;
  alignAll(planes, size, records, params, &progress, trace);
  EXPECT_EQ(progress.depth(), 0);
  EXPECT_EQ(records[2].focal, 2.0) << "record 2 is left as the run created it";
  EXPECT_NE(records[1].axis.x, 0) << "pair 1 was aligned";
  EXPECT_EQ(records[1].rotation, identityMatrix()) << "nothing was chained";
}

TEST(AlignAll, TwoPhotosShareTheFocalLengthAndHalfTheDistortionOfTheirPair) {
  const ImageSize size{240, 180};
  const auto planes = noiseSeries(test::turningSeries(size, 2.4, 0.4, {0, 0.01}));
  auto records = freshRecords(2, 2.48);
  StitchParams params = defaults();
  NullTrace trace;
  alignAll(planes, size, records, params, nullptr, trace);
  EXPECT_EQ(records[0].focal, records[1].focal);
  EXPECT_EQ(records[0].distortion, records[1].distortion);
  EXPECT_NEAR(records[1].focal, 2.4, 0.12);
}

TEST(AlignAll, AFullCircleAlignsTheClosingPairAndBalancesTheRolls) {
  // Six photos 60 degrees apart with a 90-degree field of view close the circle.
  const ImageSize size{320, 240};
  const test::PhotoSeries series =
      test::turningSeries(size, 1.0, 1 - 60.0 / 90, {0, 0.01, -0.02, 0.015, 0, 0.01});
  const auto cylinder = test::fullTurnCylinder(test::noisePicture({1024, 512}, 5), {1024, 512});
  const auto planes = test::renderLumaSeries(cylinder, series);
  auto records = freshRecords(6, 1.0);
  StitchParams params = defaults();
  params.full360 = 1;
  RecordingProgress progress;
  NullTrace trace;
  alignAll(planes, size, records, params, &progress, trace);

  const auto texts = progress.withText();
  ASSERT_EQ(texts.size(), 6u);
  EXPECT_EQ(texts[5].text, "Aligning image 6...");
  EXPECT_NEAR(texts[5].position, 5 / 6.0, 1e-12);
  double rolls = 0;
  for (std::size_t i = 1; i <= 6; ++i) rolls += records[i].roll;
  EXPECT_NEAR(rolls, 0, 1e-12);
  // The closing pair turns from photo 5 back to photo 0: the chain comes round to the start.
  const Matrix3 closing = transposed(records[0].rotation) * records[6].rotation;
  EXPECT_NEAR(yawOf(closing), 0, 0.5 * std::numbers::pi / 180);
}

TEST(BalanceRolls, SubtractsTheMeanOverTheAlignedPairsFromEveryPair) {
  std::vector<CameraRecord> records(4);
  const double rolls[] = {0, 0.1, -0.04, 0.06};
  for (std::size_t i = 0; i < 4; ++i) records[i].roll = rolls[i];
  balanceRolls(records);
  EXPECT_EQ(records[0].roll, 0);
  EXPECT_NEAR(records[1].roll, 0.06, 1e-15);
  EXPECT_NEAR(records[2].roll, -0.08, 1e-15);
  EXPECT_NEAR(records[3].roll, 0.02, 1e-15);
}

TEST(AverageLens, UsesTheAlignedRecordsAndGivesHalfTheMeanDistortionToAll) {
  std::vector<CameraRecord> records(3);
  records[0].focal = 9;  // record 0 takes no part
  records[0].distortion = 9;
  records[1].focal = 2.2;
  records[1].distortion = 0.1;
  records[2].focal = 2.4;
  records[2].distortion = 0.3;
  averageLens(records);
  for (const auto& record : records) {
    EXPECT_DOUBLE_EQ(record.focal, 2.3);
    EXPECT_DOUBLE_EQ(record.distortion, 0.1);  // (0.1 + 0.3) / (2 x 2)
    EXPECT_DOUBLE_EQ(record.axis.z, 4.6);
  }
  std::vector<CameraRecord> two(2);
  two[1].focal = 2.5;
  two[1].distortion = 0.08;
  averageLens(two);
  EXPECT_EQ(two[0].focal, 2.5);
  EXPECT_EQ(two[0].distortion, 0.04);
}

// Aligned records 1..m with these focal lengths and radial coefficients; record 0 holds values
// that must take no part.
std::vector<CameraRecord> lensRecords(const std::vector<double>& focals,
                                      const std::vector<double>& radials) {
  std::vector<CameraRecord> records(focals.size() + 1);
  records[0].focal = 9;
  records[0].radial = 0.9;
  for (std::size_t i = 0; i < focals.size(); ++i) {
    records[i + 1].focal = focals[i];
    records[i + 1].radial = radials[i];
  }
  return records;
}

TEST(AverageLensWithoutOutliers, LeavesOutPairsFarFromTheMedianFocalLength) {
  // A circle's pair that settled in another solution: 3.3 % long with a radial term of its own.
  auto circle =
      lensRecords({1.66, 1.67, 1.72, 1.665, 1.664}, {-0.03, -0.031, 0.004, -0.029, -0.03});
  averageLensWithoutOutliers(circle);
  for (const auto& record : circle) {
    EXPECT_DOUBLE_EQ(record.focal, (1.66 + 1.67 + 1.665 + 1.664) / 4);
    EXPECT_DOUBLE_EQ(record.radial, (-0.03 - 0.031 - 0.029 - 0.03) / 4);
    EXPECT_DOUBLE_EQ(record.axis.z, 2 * record.focal);
  }
  // An even count: the median is the mean of the middle two (2.03), 2.0 lies within 2 % of it.
  auto even = lensRecords({2.0, 2.02, 2.04, 2.5}, {0, 0, 0, 0.1});
  averageLensWithoutOutliers(even);
  EXPECT_DOUBLE_EQ(even[0].focal, (2.0 + 2.02 + 2.04) / 3);
  EXPECT_EQ(even[0].radial, 0);
}

TEST(AverageLensWithoutOutliers, TakesEveryPairWhenTheMedianCannotTellAnOutlier) {
  // Two pairs have no median that tells one of them wrong.
  auto two = lensRecords({2.0, 2.5}, {0.01, 0.03});
  averageLensWithoutOutliers(two);
  EXPECT_DOUBLE_EQ(two[1].focal, 2.25);
  EXPECT_DOUBLE_EQ(two[1].radial, 0.02);
  // Two camps equally far from a median between them: no pair lies within 2 % of it.
  auto split = lensRecords({2.0, 2.0, 2.4, 2.4}, {0, 0, 0, 0});
  averageLensWithoutOutliers(split);
  EXPECT_DOUBLE_EQ(split[2].focal, 2.2);
}

// A record in pair form turning the new camera right by `yaw` at focal f.
CameraRecord turnRecord(double yaw, double focal) {
  CameraRecord record;
  record.focal = focal;
  record.axis = {-2 * focal * std::tan(yaw / 2), 0, 2 * focal};
  return record;
}

TEST(CloseCircle, FindsTheFocalLengthAtWhichTheTurnsAddUpToAFullTurn) {
  // Eight unequal turns of a full circle measured at focal 1.6, then given a common focal
  // length 0.8 % long: every turn comes out short and the circle does not close.
  const double turns[] = {44, 46, 45.5, 44.5, 45, 43, 47, 45};  // degrees, sum 360
  std::vector<CameraRecord> records(9);
  records[0].focal = 1.6;
  for (std::size_t i = 1; i < records.size(); ++i)
    records[i] = turnRecord(turns[i - 1] * std::numbers::pi / 180, 1.6);
  for (auto& record : records) record.focal = 1.6 * 1.008;
  closeCircle(records);
  for (const auto& record : records) {
    EXPECT_NEAR(record.focal, 1.6, 1e-9);
    EXPECT_DOUBLE_EQ(record.axis.z, 2 * record.focal);
  }
  const Matrix3 closing = transposed(records[0].rotation) * records[8].rotation;
  EXPECT_NEAR(yawOf(closing), 0, 1e-9);

  // A circle that closes only 3 % away keeps its focal length.
  for (auto& record : records) record.focal = 1.6 * 1.03;
  closeCircle(records);
  EXPECT_EQ(records[4].focal, 1.6 * 1.03);
}

TEST(ChainRotations, ComposesThePairTurnsFromTheFirstCamera) {
  std::vector<CameraRecord> records = {turnRecord(0, 2), turnRecord(0.3, 2), turnRecord(0.5, 2),
                                       turnRecord(0.2, 2)};
  records[3].roll = 0.05;
  chainRotations(records);
  EXPECT_EQ(records[0].rotation, identityMatrix());
  EXPECT_NEAR(yawOf(records[1].rotation), 0.3, 1e-14);
  EXPECT_NEAR(yawOf(records[2].rotation), 0.8, 1e-14);
  const Matrix3 pair = transposed(records[2].rotation) * records[3].rotation;
  const Matrix3 expected = pairRotation(records[3]);
  for (std::size_t i = 0; i < 3; ++i)
    for (std::size_t j = 0; j < 3; ++j) EXPECT_NEAR(pair[i][j], expected[i][j], 1e-14);
}

// Rotation by `angle` about the unit vector `axis` (Rodrigues).
Matrix3 rotationAbout(Vec3 axis, double angle) {
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  const double t = 1 - c;
  return {{{t * axis.x * axis.x + c, t * axis.x * axis.y - s * axis.z,
            t * axis.x * axis.z + s * axis.y},
           {t * axis.x * axis.y + s * axis.z, t * axis.y * axis.y + c,
            t * axis.y * axis.z - s * axis.x},
           {t * axis.x * axis.z - s * axis.y, t * axis.y * axis.z + s * axis.x,
            t * axis.z * axis.z + c}}};
}

TEST(LevelCameras, TurnsAFullCircleAboutATiltedAxisIntoOneAboutTheVertical) {
  // Photo 0's frame is the world; the camera turned about an axis tilted forward and sideways.
  const Vec3 axis = normalized({0.03, 1, -0.06});
  std::vector<CameraRecord> records(6);
  for (std::size_t i = 0; i < 6; ++i)
    records[i].rotation = rotationAbout(axis, std::numbers::pi / 3 * static_cast<double>(i));
  const auto before = records;
  levelCameras(records);
  for (std::size_t i = 1; i < 6; ++i) {
    SCOPED_TRACE(i);
    // Relative to photo 0 every camera is now turned about y alone.
    const Matrix3 turn = records[i].rotation * transposed(records[0].rotation);
    EXPECT_NEAR(turn[1][1], 1, 1e-14);
    EXPECT_NEAR(turn[0][1], 0, 1e-14);
    EXPECT_NEAR(turn[2][1], 0, 1e-14);
    // The pairs keep their rotations.
    const Matrix3 pairBefore = transposed(before[i - 1].rotation) * before[i].rotation;
    const Matrix3 pairAfter = transposed(records[i - 1].rotation) * records[i].rotation;
    for (std::size_t r = 0; r < 3; ++r)
      for (std::size_t c = 0; c < 3; ++c) EXPECT_NEAR(pairAfter[r][c], pairBefore[r][c], 1e-14);
  }
}

}  // namespace
}  // namespace skylacer
