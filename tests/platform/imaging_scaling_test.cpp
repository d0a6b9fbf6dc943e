// SPDX-License-Identifier: GPL-3.0-or-later
// Scaled copies and scaled drawing: reductions average areas, enlargements interpolate,
// clipping and turning do not change what lands where, and a JPEG decoded reduced matches a
// full decode followed by the area reduction.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "tests/platform/imaging_pictures.h"
#include "tests/support/samples.h"
#include "tests/support/temp_dir.h"

namespace skylacer::imaging::test {
namespace {

// The weight of each source sample in target sample `index`, worked out on the real line:
// a reduction integrates the source over the target sample's footprint, an enlargement
// interpolates linearly between the sample centres around the target sample's centre.
std::vector<double> referenceWeights(int sourceLength, int targetLength, int index) {
  std::vector<double> weights(static_cast<std::size_t>(sourceLength), 0.0);
  if (targetLength <= sourceLength) {
    const double scale = static_cast<double>(sourceLength) / targetLength;
    const double left = index * scale, right = (index + 1) * scale;
    for (int j = 0; j < sourceLength; ++j)
      weights[static_cast<std::size_t>(j)] =
          std::max(0.0, std::min(right, j + 1.0) - std::max(left, double(j))) / scale;
  } else {
    const double centre =
        std::clamp((index + 0.5) * sourceLength / targetLength - 0.5, 0.0, sourceLength - 1.0);
    const auto below = static_cast<int>(std::floor(centre));
    const double fraction = centre - below;
    weights[static_cast<std::size_t>(below)] += 1.0 - fraction;
    if (fraction > 0.0) weights[static_cast<std::size_t>(below + 1)] += fraction;
  }
  return weights;
}

Picture referenceScaled(const Picture& source, int width, int height) {
  Picture scaled(width, height);
  for (int y = 0; y < height; ++y) {
    const std::vector<double> rowWeights = referenceWeights(source.height, height, y);
    for (int x = 0; x < width; ++x) {
      const std::vector<double> columnWeights = referenceWeights(source.width, width, x);
      for (int channel = 0; channel < 3; ++channel) {
        double value = 0.0;
        for (int sy = 0; sy < source.height; ++sy)
          for (int sx = 0; sx < source.width; ++sx)
            value += rowWeights[static_cast<std::size_t>(sy)] *
                     columnWeights[static_cast<std::size_t>(sx)] * source.pixel(sx, sy)[channel];
        scaled.pixel(x, y)[channel] = static_cast<std::uint8_t>(std::lround(value));
      }
    }
  }
  return scaled;
}

struct ScaleCase {
  int sourceWidth, sourceHeight, targetWidth, targetHeight;
};

void PrintTo(const ScaleCase& c, std::ostream* out) {
  *out << c.sourceWidth << "x" << c.sourceHeight << " to " << c.targetWidth << "x"
       << c.targetHeight;
}

class ImagingScaledCopy : public testing::TestWithParam<ScaleCase> {};

// Within 1 of the double-precision reference: the layer sums in single precision.
TEST_P(ImagingScaledCopy, MatchesTheReference) {
  const ScaleCase c = GetParam();
  Picture source = noisePicture(c.sourceWidth, c.sourceHeight, 7);
  auto bitmap = source.view();
  EXPECT_TRUE(picturesClose(readAtSize(*bitmap, c.targetWidth, c.targetHeight),
                            referenceScaled(source, c.targetWidth, c.targetHeight), 1));
}

TEST_P(ImagingScaledCopy, KeepsAConstantPictureConstant) {
  const ScaleCase c = GetParam();
  const auto plain = [](int width, int height) {
    Picture picture(width, height);
    for (std::size_t i = 0; i < picture.bytes.size(); i += 3)
      std::copy_n("\x11\x80\xfe", 3, picture.bytes.data() + i);
    return picture;
  };
  Picture source = plain(c.sourceWidth, c.sourceHeight);
  const Picture expected = plain(c.targetWidth, c.targetHeight);
  auto bitmap = source.view();
  EXPECT_TRUE(picturesClose(readAtSize(*bitmap, c.targetWidth, c.targetHeight), expected, 0));
}

// Scaling the turned picture equals turning the scaled picture.
TEST_P(ImagingScaledCopy, CommutesWithEveryTurn) {
  const ScaleCase c = GetParam();
  Picture source = noisePicture(c.sourceWidth, c.sourceHeight, 11);
  for (int code = 0; code < kRotateFlipCodes; ++code) {
    SCOPED_TRACE("code " + std::to_string(code));
    const bool swaps = code % 2 == 1;
    auto turnedFirst = source.view();
    ASSERT_EQ(turnedFirst->rotateFlip(code), ImagingStatus::Ok);
    const Picture turnedThenScaled =
        readAtSize(*turnedFirst, swaps ? c.targetHeight : c.targetWidth,
                   swaps ? c.targetWidth : c.targetHeight);
    auto scaledFirst = source.view();
    Picture scaled = readAtSize(*scaledFirst, c.targetWidth, c.targetHeight);
    auto scaledView = scaled.view();
    ASSERT_EQ(scaledView->rotateFlip(code), ImagingStatus::Ok);
    EXPECT_TRUE(picturesClose(turnedThenScaled, readWhole(*scaledView), 0));
  }
}

INSTANTIATE_TEST_SUITE_P(Ratios, ImagingScaledCopy,
                         testing::Values(ScaleCase{8, 8, 4, 4},     // whole 2:1 blocks
                                         ScaleCase{16, 12, 4, 3},   // whole 4:1 blocks
                                         ScaleCase{32, 24, 4, 3},   // whole 8:1 blocks
                                         ScaleCase{64, 48, 4, 3},   // whole 16:1 blocks
                                         ScaleCase{7, 5, 3, 2},     // ratios 7/3 and 5/2
                                         ScaleCase{10, 3, 4, 3},    // one axis only
                                         ScaleCase{5, 4, 5, 4},     // same size
                                         ScaleCase{3, 2, 7, 5},     // enlargement
                                         ScaleCase{6, 4, 2, 9},     // reduce x, enlarge y
                                         ScaleCase{1, 1, 3, 3},     // a single pixel
                                         ScaleCase{9, 40, 2, 3}));  // tall footprints

TEST(ImagingScaledCopy, AveragesWholeBlocksExactly) {
  Picture source(2, 2);
  const std::uint8_t values[4][3] = {{0, 100, 255}, {4, 100, 255}, {8, 100, 0}, {12, 100, 0}};
  for (int i = 0; i < 4; ++i) std::copy_n(values[i], 3, source.bytes.data() + 3 * i);
  auto bitmap = source.view();
  const Picture averaged = readAtSize(*bitmap, 1, 1);
  EXPECT_EQ(averaged.pixel(0, 0)[0], 6);
  EXPECT_EQ(averaged.pixel(0, 0)[1], 100);
  EXPECT_EQ(averaged.pixel(0, 0)[2], 128);  // 127.5 rounds up
}

TEST(ImagingScaledCopy, EnlargesBetweenSampleCentres) {
  Picture source(2, 1);
  source.pixel(0, 0)[0] = 0;
  source.pixel(1, 0)[0] = 200;
  auto bitmap = source.view();
  const Picture enlarged = readAtSize(*bitmap, 4, 1);
  // Target centres 0.5, 1.5, 2.5, 3.5 sit at source positions -0.25 (clamped), 0.25, 0.75, 1.25.
  EXPECT_EQ(enlarged.pixel(0, 0)[0], 0);
  EXPECT_EQ(enlarged.pixel(1, 0)[0], 50);
  EXPECT_EQ(enlarged.pixel(2, 0)[0], 150);
  EXPECT_EQ(enlarged.pixel(3, 0)[0], 200);
}

TEST(ImagingDrawScaled, FillsTheRectangleAndNothingElse) {
  Picture source = noisePicture(6, 4, 3);
  auto sourceBitmap = source.view();
  auto canvas = Bitmap::blank(20, 10);
  ASSERT_EQ(canvas->drawScaled(*sourceBitmap, 5, 2, 3, 2), ImagingStatus::Ok);
  const Picture drawn = readWhole(*canvas);
  const Picture expected = referenceScaled(source, 3, 2);
  for (int y = 0; y < drawn.height; ++y) {
    for (int x = 0; x < drawn.width; ++x) {
      SCOPED_TRACE("pixel " + std::to_string(x) + ", " + std::to_string(y));
      const bool inside = x >= 5 && x < 8 && y >= 2 && y < 4;
      for (int channel = 0; channel < 3; ++channel) {
        const int value = drawn.pixel(x, y)[channel];
        if (inside) {
          EXPECT_NEAR(value, expected.pixel(x - 5, y - 2)[channel], 1);
        } else {
          EXPECT_EQ(value, 0);
        }
      }
    }
  }
}

// A rectangle that reaches over any edge of the canvas draws exactly what the same rectangle
// draws on a canvas big enough to hold it, turned or not.
TEST(ImagingDrawScaled, ClipsWithoutShiftingThePicture) {
  Picture source = noisePicture(9, 7, 5);
  struct Placement {
    int x, y, w, h;
  };
  const Placement placements[] = {{-3, -2, 8, 6}, {4, 3, 8, 6}, {-5, 1, 20, 3}, {2, -4, 3, 15}};
  for (int code = 0; code < kRotateFlipCodes; ++code) {
    for (const Placement& p : placements) {
      SCOPED_TRACE("code " + std::to_string(code) + " at " + std::to_string(p.x) + ", " +
                   std::to_string(p.y) + " size " + std::to_string(p.w) + "x" +
                   std::to_string(p.h));
      auto sourceBitmap = source.view();
      ASSERT_EQ(sourceBitmap->rotateFlip(code), ImagingStatus::Ok);
      auto canvas = Bitmap::blank(8, 6);
      ASSERT_EQ(canvas->drawScaled(*sourceBitmap, p.x, p.y, p.w, p.h), ImagingStatus::Ok);
      // The big canvas has a margin of 20 pixels on every side.
      auto big = Bitmap::blank(48, 46);
      ASSERT_EQ(big->drawScaled(*sourceBitmap, p.x + 20, p.y + 20, p.w, p.h), ImagingStatus::Ok);
      EXPECT_TRUE(picturesClose(readWhole(*canvas), window(readWhole(*big), 20, 20, 8, 6), 0));
    }
  }
}

TEST(ImagingDrawScaled, OutsideTheCanvasDrawsNothing) {
  Picture source = noisePicture(4, 4, 1);
  auto sourceBitmap = source.view();
  auto canvas = Bitmap::blank(5, 5);
  EXPECT_EQ(canvas->drawScaled(*sourceBitmap, 5, 0, 3, 3), ImagingStatus::Ok);
  EXPECT_EQ(canvas->drawScaled(*sourceBitmap, -3, -3, 3, 3), ImagingStatus::Ok);
  EXPECT_TRUE(picturesClose(readWhole(*canvas), Picture(5, 5), 0));
}

TEST(ImagingDrawScaled, RefusesBadRectanglesAndItself) {
  Picture source = noisePicture(4, 4, 1);
  auto sourceBitmap = source.view();
  auto canvas = Bitmap::blank(5, 5);
  EXPECT_EQ(canvas->drawScaled(*sourceBitmap, 0, 0, 0, 3), ImagingStatus::InvalidParameter);
  EXPECT_EQ(canvas->drawScaled(*sourceBitmap, 0, 0, 3, -1), ImagingStatus::InvalidParameter);
  EXPECT_EQ(canvas->drawScaled(*sourceBitmap, 0, 0, 1 << 20, 1 << 20),
            ImagingStatus::ValueOverflow);
  EXPECT_EQ(canvas->drawScaled(*canvas, 0, 0, 2, 2), ImagingStatus::InvalidParameter);
  EXPECT_EQ(canvas->lastStatus(), ImagingStatus::InvalidParameter);
}

TEST(ImagingDrawScaled, IntoALockedCanvasIsBusy) {
  Picture source = noisePicture(4, 4, 1);
  auto sourceBitmap = source.view();
  auto canvas = Bitmap::blank(5, 5);
  LockedRows locked;
  ASSERT_EQ(canvas->lockRows(locked), ImagingStatus::Ok);
  EXPECT_EQ(canvas->drawScaled(*sourceBitmap, 0, 0, 2, 2), ImagingStatus::ObjectBusy);
}

// Reduced JPEG decoding on a real photo (1024 x 768) against a full decode followed by the area
// reduction. At exactly 1/4 (256 x 192, decoded at 1/4) the worst byte may differ by 12 and the
// mean by 0.75 (measured on the samples: 6 and 0.5); at 300 x 200 (decoded at 1/2, then reduced
// by area) by 24 and 1.25 (measured: 16 and 1.0). The differences sit at sharp edges, where the
// reduced inverse transform does not quite average.
TEST(ImagingReducedDecode, MatchesFullDecodeFollowedByAreaReduction) {
  for (const std::string series : {"mountains", "trail"}) {
    for (const auto& photo : skylacer::test::samplePhotos(series)) {
      SCOPED_TRACE(photo.string());
      auto full = Bitmap::fromFile(photo.string());
      ASSERT_EQ(full->width(), 1024);
      ASSERT_EQ(full->height(), 768);
      Picture decoded = readWhole(*full);
      auto decodedView = decoded.view();
      auto reduced = Bitmap::fromFile(photo.string());
      EXPECT_TRUE(picturesClose(readAtSize(*reduced, 256, 192), readAtSize(*decodedView, 256, 192),
                                12, 0.75));
      EXPECT_TRUE(picturesClose(readAtSize(*reduced, 300, 200), readAtSize(*decodedView, 300, 200),
                                24, 1.25));
    }
  }
}

// Turning a photo decoded reduced gives the turned reduced copy.
TEST(ImagingReducedDecode, TurnsLikeTheUprightCopy) {
  const auto photo = skylacer::test::samplePhotos("trail").front();
  auto upright = Bitmap::fromFile(photo.string());
  Picture uprightCopy = readAtSize(*upright, 256, 192);
  for (int code = 0; code < kRotateFlipCodes; ++code) {
    SCOPED_TRACE("code " + std::to_string(code));
    auto turned = Bitmap::fromFile(photo.string());
    ASSERT_EQ(turned->rotateFlip(code), ImagingStatus::Ok);
    const bool swaps = code % 2 == 1;
    const Picture turnedCopy = readAtSize(*turned, swaps ? 192 : 256, swaps ? 256 : 192);
    auto uprightView = uprightCopy.view();
    ASSERT_EQ(uprightView->rotateFlip(code), ImagingStatus::Ok);
    EXPECT_TRUE(picturesClose(turnedCopy, readWhole(*uprightView), 0));
  }
}

// A thumbnail drawn from a photo file into part of a canvas equals the scaled copy.
TEST(ImagingReducedDecode, DrawsIntoACanvasLikeTheScaledCopy) {
  const auto photo = skylacer::test::samplePhotos("mountains").back();
  auto source = Bitmap::fromFile(photo.string());
  const Picture scaled = readAtSize(*source, 128, 96);
  auto canvas = Bitmap::blank(140, 100);
  ASSERT_EQ(canvas->drawScaled(*source, 10, 4, 128, 96), ImagingStatus::Ok);
  EXPECT_TRUE(picturesClose(window(readWhole(*canvas), 10, 4, 128, 96), scaled, 0));
}

}  // namespace
}  // namespace skylacer::imaging::test
