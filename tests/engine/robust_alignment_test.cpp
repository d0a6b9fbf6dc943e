// SPDX-License-Identifier: GPL-3.0-or-later
// The default alignment end to end on series rendered at test time: right where the coarse
// search alone goes wrong (repeated boards at low overlap, portrait photos), and refusing, with
// the photos named, where no panorama can be right.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <random>
#include <vector>

#include "engine/stitch.h"
#include "platform/imaging/bitmap.h"
#include "tests/support/samples.h"
#include "tests/support/synth_imaging.h"
#include "tests/support/synth_series.h"
#include "tests/support/synth_texture.h"

namespace skylacer {
namespace {

constexpr double kDegree = std::numbers::pi / 180;

// Wooden boards: vertical boards 24 pixels wide, each with its own tone and a grain that runs
// along it, so that every board looks like its neighbours.
test::Picture boards(ImageSize size) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> tone(90, 170);
  std::normal_distribution<double> grain(0, 9);
  test::Picture picture{makeRgbImage(size), size};
  std::vector<double> column(static_cast<std::size_t>(size.height));
  for (int c = 0; c < size.width; ++c) {
    const bool seam = c % 24 == 0;
    const double base = seam ? 40 : tone(random);
    if (c % 24 == 1) std::fill(column.begin(), column.end(), 0.0);
    double walk = 0;
    for (int r = 0; r < size.height; ++r) {
      walk = 0.9 * walk + grain(random);
      double& g = column[static_cast<std::size_t>(r)];
      g = 0.6 * g + 0.4 * walk;
      const double value = std::clamp(base + g, 1.0, 255.0);
      std::uint8_t* pixel =
          picture.pixels.data() + 3 * (static_cast<std::size_t>(r) * size.width + c);
      pixel[0] = static_cast<std::uint8_t>(value * 0.7);
      pixel[1] = static_cast<std::uint8_t>(value * 0.85);
      pixel[2] = static_cast<std::uint8_t>(value);
    }
  }
  return picture;
}

struct Stitched {
  test::PhotoSeries truth;
  std::optional<StitchResult> result;
};

// Renders the series from the picture (cylinder fitted to it, or a whole turn) and stitches
// the photos in `order` (indices into the series; all of them in turn when empty).
Stitched stitchRendered(test::PhotoSeries truth, test::Picture picture, bool fullTurnPicture,
                        bool full360, std::vector<std::size_t> order = {},
                        AlignmentCheck check = AlignmentCheck::Refuse) {
  const test::CylinderPicture cylinder =
      fullTurnPicture ? test::fullTurnCylinder(std::move(picture.pixels), picture.size)
                      : test::fitCylinder(std::move(picture.pixels), picture.size, truth);
  if (order.empty())
    for (std::size_t i = 0; i < truth.poses.size(); ++i) order.push_back(i);
  std::vector<RgbImage> photos;
  for (const std::size_t i : order) photos.push_back(test::renderPhoto(cylinder, truth, i));
  std::vector<std::unique_ptr<imaging::Bitmap>> bitmaps;
  std::vector<imaging::Bitmap*> pointers;
  const ImageSize size = truth.photoSize;
  for (auto& photo : photos) {
    bitmaps.push_back(
        imaging::Bitmap::overPixels(photo.data(), size.width, size.height, 3 * size.width));
    pointers.push_back(bitmaps.back().get());
  }
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  params.full360 = full360 ? 1 : 0;
  NullTrace trace;
  return {std::move(truth), stitchPanorama(pointers, params, nullptr, trace, check)};
}

std::vector<double> rollsFor(int photos) {
  std::vector<double> rolls;
  for (int i = 0; i < photos; ++i) rolls.push_back(0.015 * std::sin(2.1 * i + 0.5));
  return rolls;
}

test::Picture samplePicture(const char* series) {
  return test::loadPicture(test::samplePhotos(series).front());
}

// Focal length within 0.5 % and every turn within 0.1 degree of the truth.
void expectTruth(const Stitched& run) {
  ASSERT_TRUE(run.result);
  ASSERT_FALSE(run.result->refusal) << "refused pair " << run.result->refusal->firstPhoto + 1;
  const auto& cameras = run.result->cameras;
  EXPECT_NEAR(cameras[0].focal / run.truth.focal, 1, 0.005);
  for (std::size_t i = 1; i < cameras.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "pair " << i);
    const Vec3 seen = (transposed(cameras[i - 1].rotation) * cameras[i].rotation) * Vec3{0, 0, 1};
    const Matrix3 trueTurn = transposed(test::cameraToWorld(run.truth.poses[i - 1])) *
                             test::cameraToWorld(run.truth.poses[i]);
    const Vec3 truth = trueTurn * Vec3{0, 0, 1};
    EXPECT_NEAR(std::atan2(seen.x, seen.z), std::atan2(truth.x, truth.z), 0.1 * kDegree);
  }
}

TEST(RobustAlignment, RepeatedBoardsAtLowOverlapAlign) {
  const ImageSize size{800, 600};
  test::PhotoSeries truth = test::turningSeries(size, 1.6, 0.25, rollsFor(4));
  expectTruth(stitchRendered(truth, boards({3000, 900}), false, false));
}

TEST(RobustAlignment, PortraitPhotosAlign) {
  const ImageSize size{480, 640};
  test::PhotoSeries truth = test::turningSeries(size, 1.7, 0.35, rollsFor(4));
  expectTruth(stitchRendered(truth, samplePicture("trail"), false, false));
}

TEST(RobustAlignment, APairThatDoesNotOverlapIsRefusedAndNamed) {
  const ImageSize size{800, 600};
  test::PhotoSeries truth = test::turningSeries(size, 1.6, 0.35, rollsFor(4));
  // Photos 3 and 4 turn 1.6 fields of view apart: no view in common.
  truth.poses[3].yaw = truth.poses[2].yaw + 1.6 * test::horizontalFieldOfView(truth.focal);
  const Stitched run = stitchRendered(truth, samplePicture("mountains"), false, false);
  ASSERT_TRUE(run.result && run.result->refusal);
  EXPECT_EQ(run.result->refusal->problem, AlignmentProblem::TooLittleDetail);
  EXPECT_EQ(run.result->refusal->firstPhoto, 2);
  EXPECT_EQ(run.result->refusal->secondPhoto, 3);
  EXPECT_TRUE(run.result->panorama.pixels.empty());
  const std::vector<std::string> names = {"a.jpg", "b.jpg", "c.jpg", "d.jpg"};
  EXPECT_EQ(refusalText(*run.result->refusal, names),
            "Photos 3 and 4 (c.jpg, d.jpg) share too little detail to align.");
}

// Photos with no corner to match anywhere (a coarse noise picture spread over them) cannot tell
// their focal length: refused at once, the photometric steps left out; stitched all the same
// when asked, through them.
TEST(RobustAlignment, ASeriesWithoutMatchesIsRefusedWithoutThePhotometricSteps) {
  const ImageSize size{640, 480};
  const test::PhotoSeries truth = test::turningSeries(size, 1.6, 0.35, rollsFor(3));
  const test::Picture blur{test::noisePicture({48, 24}, 3), {48, 24}};
  const auto compared = [](const StitchResult& result) {
    int sum = 0;
    for (const PairEvidence& pair : result.pairs) sum += pair.compared + pair.inliers;
    return sum;
  };
  const Stitched refused = stitchRendered(truth, blur, false, false);
  ASSERT_TRUE(refused.result && refused.result->refusal);
  EXPECT_EQ(refused.result->refusal->problem, AlignmentProblem::TooLittleDetail);
  EXPECT_EQ(refused.result->refusal->firstPhoto, 0);
  EXPECT_EQ(compared(*refused.result), 0);

  const Stitched anyway =
      stitchRendered(truth, blur, false, false, {}, AlignmentCheck::StitchAnyway);
  ASSERT_TRUE(anyway.result);
  EXPECT_FALSE(anyway.result->panorama.pixels.empty());
  EXPECT_GT(compared(*anyway.result), 0);
}

TEST(RobustAlignment, AReversedSeriesIsRefusedWithTheOrderFound) {
  const ImageSize size{800, 600};
  const test::PhotoSeries truth = test::turningSeries(size, 1.6, 0.35, rollsFor(4));
  const Stitched run =
      stitchRendered(truth, samplePicture("mountains"), false, false, {3, 2, 1, 0});
  ASSERT_TRUE(run.result && run.result->refusal);
  EXPECT_EQ(run.result->refusal->problem, AlignmentProblem::WrongOrder);
  EXPECT_EQ(refusalText(*run.result->refusal, {}),
            "The photos are not in order from left to right: the order found is 4 3 2 1.");
}

// Six photos of a full turn asked to close a circle after half of it; the whole turn stitched
// open gets the hint instead.
TEST(RobustAlignment, AFullCircleIsRefusedOnAHalfCircleAndHintedAtOnAWholeOne) {
  const ImageSize size{640, 480};
  const double focal = 1.3;
  test::PhotoSeries circle;
  circle.photoSize = size;
  circle.focal = focal;
  for (int i = 0; i < 8; ++i) circle.poses.push_back({std::numbers::pi + i * std::numbers::pi / 4});
  test::PhotoSeries half = circle;
  half.poses.resize(4);

  const Stitched refused = stitchRendered(half, samplePicture("mountains"), true, true);
  ASSERT_TRUE(refused.result && refused.result->refusal);
  EXPECT_EQ(refused.result->refusal->problem, AlignmentProblem::NotAFullCircle);
  const double covered = 3 * 45 + test::horizontalFieldOfView(focal) / kDegree;
  EXPECT_NEAR(refused.result->refusal->coveredDegrees, covered, 1);

  const Stitched open = stitchRendered(circle, samplePicture("mountains"), true, false);
  ASSERT_TRUE(open.result);
  EXPECT_FALSE(open.result->refusal);
  EXPECT_TRUE(open.result->closesFullCircle);
}

TEST(RobustAlignment, PhotosOfAnotherSizeAreRefusedBeforeLoading) {
  RgbImage wide = makeRgbImage({60, 40});
  RgbImage tall = makeRgbImage({40, 60});
  const auto first = imaging::Bitmap::overPixels(wide.data(), 60, 40, 180);
  const auto second = imaging::Bitmap::overPixels(tall.data(), 40, 60, 120);
  std::vector<imaging::Bitmap*> photos = {first.get(), second.get()};
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  NullTrace trace;
  const auto result = stitchPanorama(photos, params, nullptr, trace, AlignmentCheck::StitchAnyway);
  ASSERT_TRUE(result && result->refusal);
  const std::vector<std::string> names = {"/photos/wide.jpg", "/photos/tall.jpg"};
  EXPECT_EQ(refusalText(*result->refusal, names),
            "Photo 2 (tall.jpg) is 40 x 60 pixels, photo 1 is 60 x 40: all photos must have one "
            "size and orientation.");
}

}  // namespace
}  // namespace skylacer
