// SPDX-License-Identifier: GPL-3.0-or-later
// The crop keeps no empty pixel: the photos' bent and tilted edges used to leave black wedges
// at the corners and notches along the top and bottom although cropping was on.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "engine/params.h"
#include "engine/projection.h"
#include "platform/imaging/bitmap.h"
#include "tests/support/synth_series.h"
#include "tests/support/synth_texture.h"

namespace skylacer {
namespace {

constexpr double kTurn = 2 * std::numbers::pi;

// Where the picture holds an empty (0, 0, 0) pixel, or nothing when it holds none.
testing::AssertionResult noEmptyPixel(const ComposedPanorama& panorama) {
  const ImageSize size = panorama.size;
  for (int r = 0; r < size.height; ++r)
    for (int c = 0; c < size.width; ++c) {
      const std::uint8_t* p = panorama.picture() + panorama.stride * r + 3 * c;
      if ((p[0] | p[1] | p[2]) == 0)
        return testing::AssertionFailure() << "empty pixel at column " << c << ", row " << r
                                           << " of " << size.width << " x " << size.height;
    }
  return testing::AssertionSuccess();
}

// A 100 x 60 picture, filled but for the empty pixels `emptyAt` marks.
template <typename Empty>
RgbImage pictureWith(Empty emptyAt) {
  RgbImage picture(100 * 60 * 3, 120);
  for (int r = 0; r < 60; ++r)
    for (int c = 0; c < 100; ++c)
      if (emptyAt(c, r)) std::fill_n(picture.data() + 3 * (r * 100 + c), 3, std::uint8_t{0});
  return picture;
}

TEST(FilledRect, CutsTheCheaperOfColumnsAndRows) {
  const ImageSize size{100, 60};
  const CropRect whole{0, 0, 100, 60};
  // A wedge at the top-left corner, 30 rows deep at column 0 and gone by column 6: six columns
  // cost less than 30 rows.
  const RgbImage wedge = pictureWith([](int c, int r) { return c < 6 && r < 30 - 5 * c; });
  EXPECT_EQ((filledRect(wedge, size, whole, 40)), (CropRect{6, 0, 100, 60}));
  // Kept columns: the rows go instead.
  EXPECT_EQ((filledRect(wedge, size, whole, 0)), (CropRect{0, 30, 100, 60}));
  // A notch 3 rows deep in the middle of the top edge cannot be cut away sideways.
  const RgbImage notch = pictureWith([](int c, int r) { return c >= 45 && c < 55 && r < 3; });
  EXPECT_EQ((filledRect(notch, size, whole, 30)), (CropRect{0, 3, 100, 60}));
  // The same at the bottom edge; a hole inside a column leaves its ends where they are.
  const RgbImage bottomNotch = pictureWith([](int c, int r) {
    return (c >= 45 && c < 55 && r >= 56) || (c == 20 && r >= 10 && r < 50);
  });
  EXPECT_EQ((filledRect(bottomNotch, size, whole, 30)), (CropRect{0, 0, 100, 56}));
  // Empty columns at the right end are always cut when they may be; the rows stay inside the
  // rectangle asked for.
  const RgbImage emptyEnd = pictureWith([](int c, int) { return c >= 97; });
  EXPECT_EQ((filledRect(emptyEnd, size, CropRect{0, 5, 100, 50}, 10)), (CropRect{0, 5, 97, 50}));
  const RgbImage nothing = pictureWith([](int, int) { return true; });
  const CropRect none = filledRect(nothing, size, whole, 10);
  EXPECT_EQ(none.right - none.left, 0);
}

// The largest area filledRect can reach, by trying every cut of up to `side` columns at each
// end and walking each column of what is kept.
std::int64_t largestFilledArea(const RgbImage& picture, ImageSize size, CropRect rect, int side) {
  const auto filled = [&](int c, int r) {
    const std::uint8_t* p = picture.data() + 3 * (std::ptrdiff_t{size.width} * r + c);
    return (p[0] | p[1] | p[2]) != 0;
  };
  std::int64_t best = 0;
  for (int left = rect.left; left <= rect.left + side; ++left)
    for (int right = rect.right - side; right <= rect.right; ++right) {
      int top = rect.top, bottom = rect.bottom;
      for (int c = left; c < right; ++c) {
        int first = rect.top, last = rect.bottom;
        while (first < last && !filled(c, first)) ++first;
        while (last > first && !filled(c, last - 1)) --last;
        top = std::max(top, first);
        bottom = std::min(bottom, last);
      }
      best = std::max(best, std::int64_t{right - left} * std::max(0, bottom - top));
    }
  return best;
}

// Ragged edges at the top and bottom of every column: the rectangle found is as large as any
// cut allows and holds no empty pixel.
TEST(FilledRect, FindsTheLargestFilledRectangleOfRaggedEdges) {
  const ImageSize size{100, 60};
  std::uint32_t state = 7;
  for (int round = 0; round < 20; ++round) {
    std::vector<int> topDepth(100), bottomDepth(100);
    for (int c = 0; c < 100; ++c) {
      state = state * 1664525u + 1013904223u;
      topDepth[static_cast<std::size_t>(c)] = static_cast<int>(state >> 24) % (c < 20 ? 25 : 6);
      bottomDepth[static_cast<std::size_t>(c)] = static_cast<int>(state >> 16) % (c > 80 ? 25 : 6);
    }
    const RgbImage picture = pictureWith([&](int c, int r) {
      return r < topDepth[static_cast<std::size_t>(c)] ||
             r >= 60 - bottomDepth[static_cast<std::size_t>(c)];
    });
    const CropRect rect{0, 2, 100, 58};
    const CropRect found = filledRect(picture, size, rect, 30);
    SCOPED_TRACE("round " + std::to_string(round));
    EXPECT_EQ(std::int64_t{found.right - found.left} * (found.bottom - found.top),
              largestFilledArea(picture, size, rect, 30));
    for (int r = found.top; r < found.bottom; ++r)
      for (int c = found.left; c < found.right; ++c)
        ASSERT_NE(picture[3 * (std::size_t{100} * r + c)], 0) << c << ", " << r;
  }
}

// Photos of a textured cylinder taken with a slight tilt and roll each, composed with their
// exact cameras.
struct TiltedSeries {
  std::vector<RgbImage> photos;
  std::vector<std::unique_ptr<imaging::Bitmap>> bitmaps;
  std::vector<imaging::Bitmap*> pointers;
  std::vector<CameraRecord> records;
};

std::unique_ptr<TiltedSeries> tiltedSeries(const std::vector<test::CameraPose>& poses) {
  auto series = std::make_unique<TiltedSeries>();
  test::PhotoSeries truth;
  truth.photoSize = {400, 300};
  truth.focal = 1.5;
  truth.poses = poses;
  const auto cylinder = test::fullTurnCylinder(test::noisePicture({2400, 600}, 5), {2400, 600});
  for (std::size_t i = 0; i < poses.size(); ++i) {
    series->photos.push_back(test::renderPhoto(cylinder, truth, i));
    CameraRecord record;
    record.focal = truth.focal;
    record.rotation = test::cameraToWorld(poses[i]);
    series->records.push_back(record);
  }
  for (auto& photo : series->photos) {
    series->bitmaps.push_back(imaging::Bitmap::overPixels(photo.data(), 400, 300, 3 * 400));
    series->pointers.push_back(series->bitmaps.back().get());
  }
  return series;
}

TEST(ComposedCrop, HoldsNoEmptyPixelAndItsFieldOfViewFollowsTheColumnsKept) {
  const std::vector<test::CameraPose> poses = {
      {0, 0.02, 0.03}, {0.45, -0.02, -0.02}, {0.9, 0.01, 0.04}};
  const auto series = tiltedSeries(poses);
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  params.crop = 1;
  const auto result = composePanorama(series->pointers, series->records, params, nullptr);
  ASSERT_TRUE(result);
  EXPECT_TRUE(noEmptyPixel(*result));
  EXPECT_GT(result->size.height, 200);
  const double perColumn = cylinderScale(1.5, 400).radiansPerColumn;
  EXPECT_NEAR(result->angle, result->size.width * perColumn, 1e-12);
  EXPECT_EQ(result->crop.right - result->crop.left, result->size.width);

  // Without the crop every column and row stays, empty corners and all.
  params.crop = 0;
  const auto again = tiltedSeries(poses);
  const auto whole = composePanorama(again->pointers, again->records, params, nullptr);
  ASSERT_TRUE(whole);
  EXPECT_EQ(whole->size.height, 300);
  EXPECT_FALSE(noEmptyPixel(*whole));
  EXPECT_GT(whole->size.width, result->size.width - 1);
}

TEST(ComposedCrop, FullCircleKeepsOneTurnAndCutsRowsOnly) {
  std::vector<test::CameraPose> poses;
  for (int i = 0; i < 8; ++i) poses.push_back({i * kTurn / 8, 0.01 * (i % 2), 0.03 * (i % 3)});
  auto series = tiltedSeries(poses);
  CameraRecord closing = series->records[0];
  closing.rotation = test::cameraToWorld({kTurn, poses[0].roll, poses[0].pitch});
  series->records.push_back(closing);
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  params.full360 = 1;
  params.crop = 1;
  const auto result = composePanorama(series->pointers, series->records, params, nullptr);
  ASSERT_TRUE(result);
  EXPECT_TRUE(noEmptyPixel(*result));
  EXPECT_GT(result->size.height, 200);
  EXPECT_DOUBLE_EQ(result->angle, kTurn);
  const double turn = kTurn / cylinderScale(1.5, 400).radiansPerColumn;
  EXPECT_EQ(result->size.width, static_cast<int>(turn + 0.5));
}

}  // namespace
}  // namespace skylacer
