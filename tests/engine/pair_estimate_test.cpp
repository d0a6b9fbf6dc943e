// SPDX-License-Identifier: GPL-3.0-or-later
// The feature stages' geometry on made-up matches: the pair estimate's robust fit, the series
// solve, the pair form of a rotation and the verification's verdicts.

#include "engine/pair_estimate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <random>
#include <vector>

#include "engine/series_solve.h"
#include "engine/verification.h"

namespace skylacer {
namespace {

constexpr double kDegree = std::numbers::pi / 180;

// Camera to world: roll about z, then pitch about x, then yaw about y.
Matrix3 camera(double yaw, double pitch, double roll) {
  return rotationFromVector({0, yaw, 0}) * rotationFromVector({pitch, 0, 0}) *
         rotationFromVector({0, 0, roll});
}

double largestDifference(const Matrix3& a, const Matrix3& b) {
  double largest = 0;
  for (std::size_t r = 0; r < 3; ++r)
    for (std::size_t c = 0; c < 3; ++c) largest = std::max(largest, std::fabs(a[r][c] - b[r][c]));
  return largest;
}

// Matches of the points of a grid of the previous photograph that the new one shows, through
// a lens (focal, k1), each moved by up to `jitter` normalised units; then `outliers` matches
// between random points.
std::vector<FeatureMatch> matchesBetween(const Matrix3& previous, const Matrix3& current,
                                         double focal, double radial, double jitter, int outliers,
                                         unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> shake(-jitter, jitter);
  std::uniform_real_distribution<double> anywhere(-1, 1);
  std::vector<FeatureMatch> matches;
  for (double x = -0.95; x < 0.95; x += 0.05) {
    for (double y = -0.7; y < 0.7; y += 0.1) {
      const Vec3 world = previous * featureRay({x, y}, focal, radial);
      const FeaturePoint seen = projectRay(transposed(current) * world, focal, radial);
      if (!(std::fabs(seen.x) < 1 && std::fabs(seen.y) < 0.75)) continue;
      matches.push_back({{x + shake(random), y + shake(random)},
                         {seen.x + shake(random), seen.y + shake(random)}});
    }
  }
  for (int k = 0; k < outliers; ++k)
    matches.push_back(
        {{anywhere(random), 0.75 * anywhere(random)}, {anywhere(random), 0.75 * anywhere(random)}});
  std::shuffle(matches.begin(), matches.end(), random);
  return matches;
}

TEST(PairEstimate, FindsTheTurnAndFocalLengthAmongWrongMatches) {
  const double focal = 1.6;
  const Matrix3 previous = camera(0, 0.01, 0.005);
  const Matrix3 current = camera(40 * kDegree, -0.01, -0.01);
  const std::vector<FeatureMatch> matches =
      matchesBetween(previous, current, focal, 0, 0.0005, 150, 7);
  const std::optional<PairEstimate> estimate = estimatePair(matches, 0, 1);
  ASSERT_TRUE(estimate);
  EXPECT_NEAR(estimate->focal / focal, 1, 0.005);
  EXPECT_LT(largestDifference(estimate->rotation, transposed(previous) * current), 1e-3);
  EXPECT_NEAR(turnToTheRight(estimate->rotation) / kDegree, 40, 0.1);
  EXPECT_LT(estimate->inliers.size(), matches.size() - 100) << "the wrong matches are left out";

  // The random samples come from the seed alone: the same matches give the same result.
  const std::optional<PairEstimate> again = estimatePair(matches, 0, 1);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->focal, estimate->focal);
  EXPECT_EQ(again->rotation, estimate->rotation);
}

TEST(PairEstimate, RandomMatchesGiveNoEstimate) {
  const std::vector<FeatureMatch> noise =
      matchesBetween(identityMatrix(), camera(170 * kDegree, 0, 0), 1.6, 0, 0, 300, 3);
  EXPECT_FALSE(estimatePair(noise, 0, 1));
}

// Five photographs turning 40 degrees each through a barrel lens: the series solve finds lens and
// turns from the pairs' matches together.
TEST(SeriesSolve, FindsTheLensAndEveryTurn) {
  const double focal = 1.6;
  const double radial = -0.05;
  std::vector<Matrix3> cameras;
  for (int i = 0; i < 5; ++i)
    cameras.push_back(camera(40 * kDegree * i, 0.01 * std::sin(i), 0.01 * std::cos(2 * i)));
  std::vector<std::optional<PairEstimate>> pairs(cameras.size());
  for (std::size_t i = 1; i < cameras.size(); ++i) {
    pairs[i] = estimatePair(
        matchesBetween(cameras[i - 1], cameras[i], focal, radial, 0.0005, 40, 11 + i), 0, i);
    ASSERT_TRUE(pairs[i]) << "pair " << i;
  }
  const std::optional<SeriesSolution> solution = solveSeries(pairs, cameras.size(), 0, true);
  ASSERT_TRUE(solution);
  EXPECT_NEAR(solution->lens.focal / focal, 1, 0.002);
  EXPECT_NEAR(solution->lens.radial, radial, 0.003);
  for (std::size_t i = 1; i < cameras.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "pair " << i);
    ASSERT_TRUE(solution->pairRotations[i]);
    EXPECT_NEAR(turnToTheRight(*solution->pairRotations[i]),
                turnToTheRight(transposed(cameras[i - 1]) * cameras[i]), 0.02 * kDegree);
    EXPECT_GT(solution->turnDeviations[i], 0);
    EXPECT_LT(solution->turnDeviations[i], kMostTurnDeviation);
    EXPECT_LT(solution->rollDeviations[i], kMostTurnDeviation);
  }
}

// A pair whose few matches lie in one small patch and scatter widely (blur) beside pairs of many
// sharp ones: its roll is not pinned down, whatever the sharp pairs' scatter says.
TEST(SeriesSolve, APairOfFewScatteredMatchesIsNotSureOfItsRoll) {
  const double focal = 1.6;
  std::vector<Matrix3> cameras;
  for (int i = 0; i < 4; ++i) cameras.push_back(camera(40 * kDegree * i, 0, 0.005 * i));
  std::vector<std::optional<PairEstimate>> pairs(cameras.size());
  for (std::size_t i = 1; i < cameras.size(); ++i) {
    std::vector<FeatureMatch> matches =
        matchesBetween(cameras[i - 1], cameras[i], focal, 0, i == 3 ? 0.004 : 0.0003, 0, 5 + i);
    if (i == 3) {
      std::erase_if(matches, [](const FeatureMatch& m) {
        return std::fabs(m.previous.y) > 0.3 || m.previous.x < 0.6;
      });
      ASSERT_GE(matches.size(), static_cast<std::size_t>(kLeastInliers));
    }
    pairs[i] = PairEstimate{transposed(cameras[i - 1]) * cameras[i], focal, matches};
  }
  const std::optional<SeriesSolution> solution = solveSeries(pairs, cameras.size(), 0, false);
  ASSERT_TRUE(solution);
  EXPECT_LT(solution->rollDeviations[1], kMostTurnDeviation);
  EXPECT_GT(solution->rollDeviations[3], kMostTurnDeviation);
}

TEST(SetPairRotation, GivesTheRecordWhosePairRotationIsTheOneAskedFor) {
  for (const double yaw : {-60.0, -5.0, 0.0, 12.0, 45.0, 75.0}) {
    SCOPED_TRACE(testing::Message() << "yaw " << yaw);
    const Matrix3 wanted = camera(yaw * kDegree, 0.03, -0.02);
    CameraRecord record;
    record.focal = 1.3;
    setPairRotation(record, wanted);
    EXPECT_EQ(record.axis.z, 2 * record.focal);
    EXPECT_LT(largestDifference(pairRotation(record), wanted), 1e-12);
  }
}

PairEvidence sure() {
  return {.inliers = 100, .inliersKept = 100, .turnDeviation = 0.02 * kDegree};
}

TEST(VerifyAlignment, NamesTheFirstPairItIsNotSureOf) {
  std::vector<PairEvidence> evidence(4, sure());
  evidence[2].turnDeviation = 0.5 * kDegree;  // a lens the matches cannot pin down
  const std::vector<double> turns = {0, 0.7, 0.7, 0.7};
  const auto refusal = verifyAlignment(evidence, turns, 1.1, false, false);
  ASSERT_TRUE(refusal);
  EXPECT_EQ(refusal->problem, AlignmentProblem::TooLittleDetail);
  EXPECT_EQ(refusal->firstPhoto, 1);
  EXPECT_EQ(refusal->secondPhoto, 2);

  // Sure of every turn, not of the lens: the pair with the fewest matches is named.
  evidence[2] = sure();
  for (auto& pair : evidence) pair.focalDeviation = 0.01;
  evidence[3].inliers = evidence[3].inliersKept = 30;
  const auto lens = verifyAlignment(evidence, turns, 1.1, false, false);
  ASSERT_TRUE(lens);
  EXPECT_EQ(lens->problem, AlignmentProblem::UncertainLens);
  EXPECT_EQ(lens->firstPhoto, 2);

  evidence.assign(4, sure());
  evidence[2] = {.correlation = 0.9, .nearCorrelation = 0.2, .compared = 5000};
  EXPECT_FALSE(verifyAlignment(evidence, turns, 1.1, false, false)) << "a clear photometric peak";
  evidence[2].nearCorrelation = 0.89;
  EXPECT_TRUE(verifyAlignment(evidence, turns, 1.1, false, false)) << "a plateau";

  // Clear photometric peaks only: no matches tell the focal length, unless it was given.
  evidence.assign(4, {.correlation = 0.9, .nearCorrelation = 0.2, .compared = 5000});
  evidence[3].correlation = 0.7;
  const auto unmatched = verifyAlignment(evidence, turns, 1.1, false, false);
  ASSERT_TRUE(unmatched);
  EXPECT_EQ(unmatched->problem, AlignmentProblem::UncertainLens);
  EXPECT_EQ(unmatched->firstPhoto, 2) << "the least sure pair";
  EXPECT_FALSE(verifyAlignment(evidence, turns, 1.1, false, true));
}

TEST(VerifyAlignment, ATurnToTheLeftGivesTheOrderFound) {
  const std::vector<PairEvidence> evidence(4, sure());
  // Photographs given as 1 3 2 4 of a series turning right by 0.7: 0 -> 2 -> 1 -> 3.
  const std::vector<double> turns = {0, 1.4, -0.7, 1.4};
  const auto refusal = verifyAlignment(evidence, turns, 1.1, false, false);
  ASSERT_TRUE(refusal);
  EXPECT_EQ(refusal->problem, AlignmentProblem::WrongOrder);
  EXPECT_EQ(refusal->order, (std::vector<int>{0, 2, 1, 3}));
}

TEST(VerifyAlignment, AFullCircleMustBeCovered) {
  // Six photographs of 1.1 radians turning 0.6 each cover 4.1 radians: no full circle.
  const std::vector<PairEvidence> evidence(7, sure());
  const std::vector<double> half = {0, 0.6, 0.6, 0.6, 0.6, 0.6, 3.28};
  const auto refusal = verifyAlignment(evidence, half, 1.1, true, false);
  ASSERT_TRUE(refusal);
  EXPECT_EQ(refusal->problem, AlignmentProblem::NotAFullCircle);
  EXPECT_NEAR(refusal->coveredDegrees, (5 * 0.6 + 1.1) / kDegree, 1e-9);

  const double step = 2 * std::numbers::pi / 6;
  const std::vector<double> circle = {0, step, step, step, step, step, step};
  EXPECT_FALSE(verifyAlignment(evidence, circle, 1.1, true, false));
  EXPECT_TRUE(closesFullCircle(std::span(circle).first(6), 1.1)) << "open, it would close";
  EXPECT_FALSE(closesFullCircle(std::span(half).first(6), 1.1));
}

}  // namespace
}  // namespace skylacer
