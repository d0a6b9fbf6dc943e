// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/series_cameras.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "engine/pair_estimate.h"
#include "tests/support/pair_records.h"

namespace skylacer {
namespace {

using test::turnRecord;

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

TEST(ChainRotations, ComposesThePairTurnsFromTheFirstCamera) {
  std::vector<CameraRecord> records = {turnRecord(0, 2), turnRecord(0.3, 2), turnRecord(0.5, 2),
                                       turnRecord(0.2, 2)};
  records[3].roll = 0.05;
  chainRotations(records);
  EXPECT_EQ(records[0].rotation, identityMatrix());
  EXPECT_NEAR(turnToTheRight(records[1].rotation), 0.3, 1e-14);
  EXPECT_NEAR(turnToTheRight(records[2].rotation), 0.8, 1e-14);
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
