// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/align.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <vector>

#include "engine/messages.h"
#include "engine/pair_estimate.h"
#include "tests/support/recording_progress.h"
#include "tests/support/synth_series.h"
#include "tests/support/synth_texture.h"

namespace skylacer {
namespace {

using test::RecordingProgress;

// The coarse search seeds every pair: the sequence alignment as it is without feature matching.
StitchParams defaults() {
  return paramsFromProfileText(kSearchOnlyProfileText);
}

// Photos rendered from a noise picture, about as sharp as the photos themselves.
std::vector<LumaImage> noiseSeries(const test::PhotoSeries& series) {
  return test::renderLumaSeries(
      test::fitCylinder(test::noisePicture({768, 384}, 21), {768, 384}, series), series);
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
  EXPECT_NEAR(turnToTheRight(closing), 0, 0.5 * std::numbers::pi / 180);
}

}  // namespace
}  // namespace skylacer
