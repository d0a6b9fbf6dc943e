// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/circle_closing.h"

#include <gtest/gtest.h>

#include <numbers>
#include <vector>

#include "engine/pair_estimate.h"
#include "engine/series_cameras.h"
#include "tests/support/pair_records.h"
#include "tests/support/synth_series.h"
#include "tests/support/synth_texture.h"

namespace skylacer {
namespace {

constexpr double kDegree = std::numbers::pi / 180;

double closingYaw(std::span<const CameraRecord> records) {
  return turnToTheRight(transposed(records.front().rotation) * records.back().rotation);
}

TEST(CloseCircle, FindsTheFocalLengthAtWhichTheTurnsAddUpToAFullTurn) {
  // Eight unequal turns of a full circle measured at focal 1.6, then given a common focal
  // length 0.8 % long: every turn comes out short and the circle does not close.
  const double turns[] = {44, 46, 45.5, 44.5, 45, 43, 47, 45};  // degrees, sum 360
  std::vector<CameraRecord> records(9);
  records[0].focal = 1.6;
  for (std::size_t i = 1; i < records.size(); ++i)
    records[i] = test::turnRecord(turns[i - 1] * kDegree, 1.6);
  for (auto& record : records) record.focal = 1.6 * 1.008;
  closeCircle(records);
  for (const auto& record : records) {
    EXPECT_NEAR(record.focal, 1.6, 1e-9);
    EXPECT_DOUBLE_EQ(record.axis.z, 2 * record.focal);
  }
  EXPECT_NEAR(closingYaw(records), 0, 1e-9);

  // A circle that closes only 3 % away keeps its focal length.
  for (auto& record : records) record.focal = 1.6 * 1.03;
  closeCircle(records);
  EXPECT_EQ(records[4].focal, 1.6 * 1.03);
}

// Six photos with a 90-degree field of view round a full turn of noise: five turns of 60
// degrees but the last of 59.5, so that the closing pair (record 6, photo 5 back to photo 0)
// turns 60.5. The pair records hold the true turns and lens, but the closing pair's is turned
// right by `closingError` more.
struct ClosedCircle {
  ImageSize size{320, 240};
  std::vector<LumaImage> planes;
  std::vector<CameraRecord> records;
};
ClosedCircle closedCircle(double closingError) {
  const double yaws[] = {0, 60, 120, 180, 240, 299.5};  // degrees
  ClosedCircle circle;
  test::PhotoSeries series;
  series.photoSize = circle.size;
  series.focal = 1.0;
  for (const double yaw : yaws) series.poses.push_back({yaw * kDegree, 0, 0});
  const auto cylinder = test::fullTurnCylinder(test::noisePicture({1024, 512}, 5), {1024, 512});
  circle.planes = test::renderLumaSeries(cylinder, series);
  circle.records.resize(7);
  circle.records[0].axis.z = 1;
  for (std::size_t i = 1; i < 6; ++i)
    circle.records[i] = test::turnRecord((yaws[i] - yaws[i - 1]) * kDegree, 1.0);
  circle.records[6] = test::turnRecord((360 - yaws[5] + closingError) * kDegree, 1.0);
  return circle;
}

// The closing pair's turn after realignClosingPair, in degrees.
double realignedClosingTurn(double closingError) {
  ClosedCircle circle = closedCircle(closingError);
  StitchParams params = paramsFromProfileText(kPreciseProfileText);
  params.full360 = 1;
  const HeldPlanes planes(circle.planes);
  SeriesPyramids pyramids(planes, circle.size, params);
  NullTrace trace;
  realignClosingPair(pyramids, circle.records, params, nullptr, trace);
  EXPECT_EQ(circle.records[6].focal, 1.0) << "the series' lens is held";
  return turnToTheRight(pairRotation(circle.records[6])) / kDegree;
}

TEST(RealignClosingPair, BringsAClosingPairMatchedElsewhereToWhereTheCircleCloses) {
  // Refined from the turn of the pair before (59.5 degrees) on photos 5 and 0 down to the
  // working size, the closing pair finds its own turn.
  EXPECT_NEAR(realignedClosingTurn(4), 60.5, 0.05);
  EXPECT_NEAR(realignedClosingTurn(-5), 60.5, 0.05);
  // A closing pair that closes the circle already stays where it is, or within the
  // refinement's precision of it.
  EXPECT_NEAR(realignedClosingTurn(0), 60.5, 0.05);
}

}  // namespace
}  // namespace skylacer
