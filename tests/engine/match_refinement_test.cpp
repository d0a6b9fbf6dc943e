// SPDX-License-Identifier: GPL-3.0-or-later
// The refinement of a pair's matches on the working planes, against the true cameras of a pair
// rendered from a sample photo.

#include "engine/match_refinement.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/support/samples.h"
#include "tests/support/synth_imaging.h"
#include "tests/support/synth_series.h"

namespace skylacer {
namespace {

constexpr double kDegree = 3.14159265358979323846 / 180;

struct RenderedPair {
  test::PhotoSeries truth;
  GreyImage previous;
  GreyImage current;
  Matrix3 pairRotation;  // new camera into previous camera
};

// Two photos 30 % apart, the second 1.3 times as bright.
RenderedPair renderPair() {
  const ImageSize size{640, 480};
  RenderedPair pair;
  pair.truth = test::turningSeries(size, 1.6, 0.3, {0.004, -0.006});
  pair.truth.gains = {1.0, 1.3};
  test::Picture picture = test::loadPicture(test::samplePhotos("mountains").front());
  const test::CylinderPicture cylinder =
      test::fitCylinder(std::move(picture.pixels), picture.size, pair.truth);
  pair.previous = greyFromRgb(test::renderPhoto(cylinder, pair.truth, 0), size);
  pair.current = greyFromRgb(test::renderPhoto(cylinder, pair.truth, 1), size);
  pair.pairRotation = transposed(test::cameraToWorld(pair.truth.poses[0])) *
                      test::cameraToWorld(pair.truth.poses[1]);
  return pair;
}

FeaturePoint trueCurrent(const RenderedPair& pair, FeaturePoint previous) {
  const Vec3 ray = transposedTimes(pair.pairRotation, featureRay(previous, pair.truth.focal, 0));
  return projectRay(ray, pair.truth.focal, 0);
}

TEST(MatchRefinement, PlacesMatchesToAFractionOfAPixelFromARoughEstimate) {
  const RenderedPair pair = renderPair();
  const ImageSize size = pair.truth.photoSize;
  // Points over the overlap, their new points 1.5 pixels off in turns, and an estimate whose
  // rotation is 0.3 degree and whose focal length 3 % off.
  std::vector<FeatureMatch> rough;
  const double pixel = 2.0 / size.width;
  int k = 0;
  for (double x = 0.45; x < 0.95; x += 0.04)
    for (double y = -0.6; y < 0.6; y += 0.06, ++k) {
      const FeaturePoint seen = trueCurrent(pair, {x, y});
      if (!(seen.x > -0.95)) continue;
      rough.push_back({{x, y},
                       {seen.x + (k % 2 == 0 ? 1.5 : -1.5) * pixel,
                        seen.y + (k % 3 == 0 ? 1.5 : -1.0) * pixel}});
    }
  ASSERT_GT(rough.size(), 100U);
  const Matrix3 estimate = pair.pairRotation * rotationFromVector({0, 0.3 * kDegree, 0});

  const std::vector<FeatureMatch> refined = refineMatches(
      rough, estimate, 1.03 * pair.truth.focal, {&pair.previous, size}, {&pair.current, size});
  EXPECT_GT(refined.size(), rough.size() * 7 / 10);
  double squares = 0;
  for (const FeatureMatch& match : refined) {
    const FeaturePoint truth = trueCurrent(pair, match.previous);
    squares += std::pow((match.current.x - truth.x) / pixel, 2) +
               std::pow((match.current.y - truth.y) / pixel, 2);
  }
  EXPECT_LT(std::sqrt(squares / static_cast<double>(refined.size())), 0.15);

  // Shared among three threads, the matches are refined alike and kept in their order.
  const std::vector<FeatureMatch> shared = refineMatches(
      rough, estimate, 1.03 * pair.truth.focal, {&pair.previous, size}, {&pair.current, size}, 3);
  ASSERT_EQ(shared.size(), refined.size());
  for (std::size_t i = 0; i < refined.size(); ++i) {
    EXPECT_EQ(shared[i].previous.x, refined[i].previous.x);
    EXPECT_EQ(shared[i].previous.y, refined[i].previous.y);
    EXPECT_EQ(shared[i].current.x, refined[i].current.x);
    EXPECT_EQ(shared[i].current.y, refined[i].current.y);
  }
}

TEST(MatchRefinement, LeavesOutMatchesWithoutDetailToPlaceThem) {
  const RenderedPair pair = renderPair();
  const ImageSize size = pair.truth.photoSize;
  const GreyImage flat(pair.previous.size(), 128);
  const std::vector<FeatureMatch> matches = {{{0.6, 0.0}, trueCurrent(pair, {0.6, 0.0})},
                                             {{0.7, 0.2}, trueCurrent(pair, {0.7, 0.2})}};
  EXPECT_TRUE(refineMatches(matches, pair.pairRotation, pair.truth.focal, {&flat, size},
                            {&pair.current, size})
                  .empty());
  EXPECT_EQ(refineMatches(matches, pair.pairRotation, pair.truth.focal, {&pair.previous, size},
                          {&pair.current, size})
                .size(),
            2U);
}

}  // namespace
}  // namespace skylacer
