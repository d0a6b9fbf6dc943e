// SPDX-License-Identifier: GPL-3.0-or-later
// What the alignment keeps of a series: planes stored at a byte per pixel give back makeLuma's
// values, a forgotten pyramid comes back the same, reading a photograph for its plane leaves it
// holding no decoded pixels, and a stitch aligns from what it keeps exactly as from the planes
// and features held whole.

#include "engine/working_planes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "engine/align.h"
#include "engine/features.h"
#include "engine/pyramid.h"
#include "engine/stitch.h"
#include "platform/imaging/bitmap.h"
#include "tests/support/samples.h"
#include "tests/support/synth_imaging.h"
#include "tests/support/synth_series.h"
#include "tests/support/temp_dir.h"

namespace skylacer {
namespace {

// The first "mountains" sample reduced to a working size, as the loading phase reads it.
RgbImage reducedSample(ImageSize size) {
  auto bitmap = imaging::Bitmap::fromFile(test::samplePhotos("mountains").front().string());
  return imageToRgb(*bitmap, size, false);
}

TEST(StoredPlanes, GiveBackTheValuesMakeLumaMakes) {
  const ImageSize size{256, 192};
  const RgbImage photo = reducedSample(size);
  // A second photograph whose blue bytes cover every value 0..255.
  RgbImage ramp(photo.size());
  for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<std::uint8_t>(i / 3);
  StoredPlanes stored(2);
  stored.store(1, ramp, size);
  stored.store(0, photo, size);
  ASSERT_EQ(stored.count(), 2u);
  EXPECT_TRUE(stored.plane(0) == makeLuma(photo, size));
  EXPECT_TRUE(stored.plane(1) == makeLuma(ramp, size));
}

TEST(SeriesPyramids, BuildAForgottenPyramidAgainTheSame) {
  const ImageSize size{1024, 768};
  const std::vector<LumaImage> planes = {makeLuma(reducedSample(size), size)};
  const HeldPlanes held(planes);
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  SeriesPyramids pyramids(held, size, params);
  auto levels = [&] {
    const LumaPyramid& pyramid = pyramids.of(0);
    std::vector<LumaImage> copies;
    for (int level = 0; level <= pyramid.coarsestLevel(); ++level) {
      const ImageSize levelSize = pyramid.size(level);
      const std::int16_t* values = pyramid.level(level);
      copies.emplace_back(values, values + checkedElementCount(levelSize, 1));
    }
    return copies;
  };
  const std::vector<LumaImage> first = levels();
  ASSERT_GE(first.size(), 2u);
  EXPECT_TRUE(first[0] == planes[0]) << "level 0 is the plane itself";
  pyramids.forget(0);
  EXPECT_TRUE(levels() == first);
}

// Reading a photograph at its own size for the alignment must not keep it decoded in its
// bitmap: a series would otherwise hold every photograph until the composition.
TEST(ImageToRgb, ACopyNotReleasedLeavesNothingDecodedInTheBitmap) {
  const test::TempDir dir;
  const auto sample = test::samplePhotos("mountains").front();
  const auto photo = dir / "photo.jpg";
  std::filesystem::copy_file(sample, photo);
  auto bitmap = imaging::Bitmap::fromFile(photo.string());
  const ImageSize size{bitmap->width(), bitmap->height()};
  const RgbImage colours = imageToRgb(*bitmap, size, false);
  ASSERT_EQ(colours.size(), checkedElementCount(size, 3));
  // Held pixels would still be read; a bitmap that holds none reads its file again.
  std::filesystem::remove(photo);
  RgbImage again = makeRgbImage(size);
  EXPECT_EQ(bitmap->readPixels(again.data(), 3 * size.width), imaging::ImagingStatus::FileNotFound);
}

// A stitch keeps less than the alignment's inputs held whole: the coarse search profile its
// planes at a byte per pixel, the feature profiles each pair's estimate made as the photographs
// load, on one thread or several. The cameras must be those of the planes and features held
// whole, bit for bit.
class StitchAlignment : public testing::TestWithParam<std::string_view> {};

TEST_P(StitchAlignment, GivesTheCamerasOfTheAlignmentsInputsHeldWhole) {
  const ImageSize size{320, 240};
  const test::PhotoSeries series = test::turningSeries(size, 2.2, 0.35, {0, 0, 0, 0});
  const test::Picture picture = test::loadPicture(test::samplePhotos("mountains").front());
  const test::CylinderPicture cylinder = test::fitCylinder(picture.pixels, picture.size, series);
  std::vector<RgbImage> pixels;
  std::vector<LumaImage> planes;
  std::vector<FeatureSet> features;
  for (std::size_t i = 0; i < series.poses.size(); ++i) {
    pixels.push_back(test::renderPhoto(cylinder, series, i));
    planes.push_back(makeLuma(pixels.back(), size));
    features.push_back(detectFeatures(greyFromRgb(pixels.back(), size), size));
  }
  NullTrace trace;
  StitchParams alignParams = paramsFromProfileText(GetParam());
  std::vector<CameraRecord> records(planes.size() + 1);
  records[0].focal = records[1].focal = initialFocalLength(alignParams);
  std::vector<PairEvidence> pairs;
  alignAll(planes, size, records, alignParams, nullptr, trace, &pairs, features, 0,
           AlignmentCheck::Refuse);
  if (GetParam() == kDefaultProfileText) {
    ASSERT_GT(pairs.size() > 1 ? pairs[1].inliers : 0, 0) << "no pair came from its features";
  }

  for (const int workers : {1, 2, 4}) {
    SCOPED_TRACE(workers);
    // The composition releases the photographs it painted: each run has its own.
    std::vector<std::unique_ptr<imaging::Bitmap>> bitmaps;
    std::vector<imaging::Bitmap*> photos;
    for (RgbImage& photo : pixels) {
      bitmaps.push_back(
          imaging::Bitmap::overPixels(photo.data(), size.width, size.height, 3 * size.width));
      photos.push_back(bitmaps.back().get());
    }
    StitchParams stitchParams = paramsFromProfileText(GetParam());
    const auto stitched =
        stitchPanorama(photos, stitchParams, nullptr, trace, AlignmentCheck::Refuse, workers);
    ASSERT_TRUE(stitched);
    ASSERT_FALSE(stitched->panorama.pixels.empty());
    ASSERT_EQ(stitched->cameras.size(), planes.size());
    for (std::size_t i = 0; i < planes.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(stitched->cameras[i].focal, records[i].focal);
      EXPECT_EQ(stitched->cameras[i].radial, records[i].radial);
      EXPECT_TRUE(stitched->cameras[i].rotation == records[i].rotation);
    }
    ASSERT_EQ(stitched->pairs.size(), pairs.size());
    for (std::size_t i = 1; i < pairs.size(); ++i)
      EXPECT_EQ(stitched->pairs[i].inliers, pairs[i].inliers);
    EXPECT_EQ(stitchParams.coarsestLevel, alignParams.coarsestLevel);
  }
}

INSTANTIATE_TEST_SUITE_P(Profiles, StitchAlignment,
                         testing::Values(kSearchOnlyProfileText, kDefaultProfileText));

}  // namespace
}  // namespace skylacer
