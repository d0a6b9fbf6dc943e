// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/stitch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "tests/support/samples.h"
#include "tests/support/scripted_progress.h"
#include "tests/support/synth_imaging.h"
#include "tests/support/synth_series.h"

namespace skylacer {
namespace {

using test::ScriptedProgress;

constexpr double kTurn = 2 * std::numbers::pi;

struct WorkingSizeCase {
  ImageSize photo;
  ImageSize working;
};

class WorkingSize : public testing::TestWithParam<WorkingSizeCase> {};

TEST_P(WorkingSize, HalvesUntilAPlaneHoldsAtMost2To20Pixels) {
  EXPECT_EQ(workingSize(GetParam().photo), GetParam().working);
}

INSTANTIATE_TEST_SUITE_P(Photos, WorkingSize,
                         testing::Values(WorkingSizeCase{{3000, 2000}, {750, 500}},
                                         WorkingSizeCase{{1024, 768}, {1024, 768}},
                                         WorkingSizeCase{{1024, 1024}, {1024, 1024}},
                                         WorkingSizeCase{{1025, 1024}, {512, 512}},
                                         WorkingSizeCase{{4000, 3000}, {1000, 750}}));

// Photos rendered from the first sample photo, turning right by equal steps, held as bitmaps.
struct PhotoSet {
  test::PhotoSeries truth;
  std::vector<RgbImage> pixels;
  std::vector<std::unique_ptr<imaging::Bitmap>> bitmaps;
  std::vector<imaging::Bitmap*> pointers;
};

std::unique_ptr<PhotoSet> photoSet(ImageSize size, double focal, std::vector<double> yaws,
                                   bool fullTurn) {
  auto set = std::make_unique<PhotoSet>();
  set->truth.photoSize = size;
  set->truth.focal = focal;
  for (double yaw : yaws) set->truth.poses.push_back({yaw, 0});
  const test::Picture picture = test::loadPicture(test::samplePhotos("mountains").front());
  const test::CylinderPicture cylinder =
      fullTurn ? test::fullTurnCylinder(picture.pixels, picture.size)
               : test::fitCylinder(picture.pixels, picture.size, set->truth);
  for (std::size_t i = 0; i < yaws.size(); ++i)
    set->pixels.push_back(test::renderPhoto(cylinder, set->truth, i));
  for (auto& photo : set->pixels) {
    set->bitmaps.push_back(
        imaging::Bitmap::overPixels(photo.data(), size.width, size.height, 3 * size.width));
    set->pointers.push_back(set->bitmaps.back().get());
  }
  return set;
}

std::unique_ptr<PhotoSet> openSeries(int photos) {
  std::vector<double> yaws;
  const double step = test::horizontalFieldOfView(2.2) * 0.65;
  for (int i = 0; i < photos; ++i) yaws.push_back(i * step);
  return photoSet({320, 240}, 2.2, yaws, false);
}

// Stitches `photos` with the default profile (for a full circle when asked), without a trace.
std::optional<StitchResult> stitch(std::span<imaging::Bitmap* const> photos, IProgress* progress,
                                   bool fullCircle = false) {
  StitchParams params = paramsFromProfileText(kSearchOnlyProfileText);
  params.full360 = fullCircle ? 1 : 0;
  NullTrace trace;
  return stitchPanorama(photos, params, progress, trace);
}

TEST(StitchPanorama, ASinglePhotographComesBackUnchangedWithAngleZero) {
  auto set = openSeries(1);
  const RgbImage original = set->pixels[0];
  const auto result = stitch(set->pointers, nullptr);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->panorama.size, (ImageSize{320, 240}));
  EXPECT_TRUE(std::ranges::equal(result->panorama.pixels, original));
  EXPECT_EQ(result->panorama.angle, 0);
  EXPECT_TRUE(result->cameras.empty());
}

TEST(StitchPanorama, NoPhotographsOrAnUnreadableFirstOneGiveNoPanorama) {
  EXPECT_FALSE(stitch({}, nullptr));
  auto missing = imaging::Bitmap::fromFile("/nonexistent/photo.jpg");
  auto set = openSeries(2);
  set->pointers[0] = missing.get();
  EXPECT_FALSE(stitch(set->pointers, nullptr));
}

TEST(StitchPanorama, ShowsItsPhasesAndReturnsTheCamerasOfEveryPhoto) {
  auto set = openSeries(3);
  ScriptedProgress progress;
  const auto result = stitch(set->pointers, &progress);
  ASSERT_TRUE(result);
  EXPECT_EQ(progress.depth, 0);
  EXPECT_EQ(progress.texts, (std::vector<std::string>{"Loading images...", "Aligning image 1...",
                                                      "Aligning image 2...", "Stitching images"}));
  EXPECT_EQ(result->cameras.size(), 3u);
  EXPECT_EQ(result->panorama.joints.size(), 2u);
  // The picture's last row ends inside the panorama.
  const ComposedPanorama& panorama = result->panorama;
  EXPECT_LE(panorama.first +
                static_cast<std::size_t>(panorama.stride) * (panorama.size.height - 1) +
                3u * static_cast<std::size_t>(panorama.size.width),
            panorama.pixels.size());
}

TEST(StitchPanorama, StoppingDuringLoadingGivesNoPanoramaAndGoesNoFurther) {
  auto set = openSeries(3);
  ScriptedProgress progress(2);  // the text, photo 0, then photo 1 asks to stop
  EXPECT_FALSE(stitch(set->pointers, &progress));
  EXPECT_EQ(progress.reports, 3);
  EXPECT_EQ(progress.texts, std::vector<std::string>{"Loading images..."});
  EXPECT_EQ(progress.depth, 0);
}

TEST(StitchPanorama, AStopRequestAtAnyReportGivesNoPanorama) {
  ScriptedProgress counting;
  ASSERT_TRUE(stitch(openSeries(3)->pointers, &counting));
  // Every report of the loading phase, then a spread over alignment and composition, and the
  // last few reports of the closing projection.
  std::vector<int> stops;
  for (int i = 0; i < counting.reports; i += i < 5 || i + 6 > counting.reports ? 1 : 9)
    stops.push_back(i);
  for (int stopAt : stops) {
    SCOPED_TRACE(stopAt);
    auto set = openSeries(3);
    ScriptedProgress progress(stopAt);
    EXPECT_FALSE(stitch(set->pointers, &progress));
    EXPECT_EQ(progress.depth, 0);
  }
}

TEST(StitchPanorama, TwoPhotosInAFullCircleAlignTwoPairsAndGiveOneTurn) {
  auto set = photoSet({300, 400}, 0.45, {0, kTurn / 2}, true);
  ScriptedProgress progress;
  const auto result = stitch(set->pointers, &progress, /*fullCircle=*/true);
  ASSERT_TRUE(result);
  EXPECT_EQ(progress.texts, (std::vector<std::string>{"Loading images...", "Aligning image 1...",
                                                      "Aligning image 2...", "Stitching images"}));
  EXPECT_DOUBLE_EQ(result->panorama.angle, kTurn);
  // Trimmed to the turn between photo 0 and its closing copy, half a photo in from each end.
  EXPECT_EQ(result->panorama.crop.left, 150);
  EXPECT_EQ(result->panorama.joints.size(), 2u);
  const int closing = result->panorama.crop.right - 150;
  EXPECT_EQ(result->panorama.size.width, closing);
  EXPECT_GT(closing, 0);
}

}  // namespace
}  // namespace skylacer
