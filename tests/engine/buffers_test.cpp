// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/buffers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <numeric>
#include <string>

#include "platform/imaging/bitmap.h"
#include "tests/support/samples.h"
#include "tests/support/synth_texture.h"
#include "tests/support/temp_dir.h"

namespace skylacer {
namespace {

LumaImage plane(ImageSize size, std::initializer_list<int> values) {
  LumaImage result(values.begin(), values.end());
  EXPECT_EQ(result.size(), static_cast<std::size_t>(size.width * size.height));
  return result;
}

TEST(MakeLuma, IsThreeTimesTheBlueByteAndIgnoresGreenAndRed) {
  const RgbImage rgb = {255, 0, 0, 0, 255, 255, 10, 200, 30};
  EXPECT_EQ(makeLuma(rgb, {3, 1}), (LumaImage{765, 0, 30}));
}

TEST(Downsample2x2, AveragesBlocksWithIntegerDivisionAndDropsOddEdges) {
  // 5 x 3 -> 2 x 1: the last column and row have no full block.
  const LumaImage src = plane({5, 3}, {1, 2, 3, 4, 100, 4, 4, 5, 6, 100, 100, 100, 100, 100, 100});
  EXPECT_EQ(downsample2x2(src, {5, 3}), (LumaImage{2, 4}));  // 11/4 = 2, 18/4 = 4
}

TEST(HalvePlane, OddSizesAverageWhatTheyHaveAndCopyTheCorner) {
  const LumaImage src = plane({5, 3}, {1, 2, 3, 4, 10, 4, 4, 5, 6, 21, 7, 9, 11, 12, 40});
  LumaImage dst(3 * 2, -1);
  halvePlane(src.data(), {5, 3}, dst.data(), {3, 2});
  EXPECT_EQ(dst, (LumaImage{2, 4, 15,      // blocks 11/4, 18/4; column (10 + 21) / 2
                            8, 11, 40}));  // row (7 + 9) / 2, (11 + 12) / 2; corner copied
}

TEST(HalvePlane, NegativeSumsDivideTowardZero) {
  const LumaImage src = plane({2, 2}, {-1, -1, -1, 0});
  LumaImage dst(1);
  halvePlane(src.data(), {2, 2}, dst.data(), {1, 1});
  EXPECT_EQ(dst[0], 0);  // -3 / 4 truncates to 0, not -1
}

TEST(ExpandPlane, EvenWidthRepeatsTheSecondToLastColumn) {
  const LumaImage src = plane({2, 2}, {10, 20, 30, 41});
  LumaImage dst(4 * 3, -1);
  expandPlane(src.data(), {2, 2}, dst.data(), {4, 3});
  EXPECT_EQ(dst, (LumaImage{10, 15, 20, 20, 20, 25, 30, 30,  // odd row: means of the rows around it
                            30, 35, 41, 41}));               // (30 + 41) / 2 = 35
}

TEST(ExpandPlane, EvenHeightCopiesTheRowAboveIntoTheLastRow) {
  const LumaImage src = plane({2, 1}, {8, 4});
  LumaImage dst(3 * 2, -1);
  expandPlane(src.data(), {2, 1}, dst.data(), {3, 2});
  EXPECT_EQ(dst, (LumaImage{8, 6, 4, 8, 6, 4}));
}

TEST(ExpandPlane, UndoesHalvePlaneOnASmoothRamp) {
  const ImageSize size{7, 5};
  LumaImage ramp(35);
  for (int y = 0; y < size.height; ++y)
    for (int x = 0; x < size.width; ++x) ramp[static_cast<std::size_t>(y * 7 + x)] = 20 * x + 4 * y;
  LumaImage half(4 * 3);
  halvePlane(ramp.data(), size, half.data(), {4, 3});
  LumaImage back(35);
  expandPlane(half.data(), {4, 3}, back.data(), size);
  for (std::size_t i = 0; i < back.size(); ++i) EXPECT_NEAR(back[i], ramp[i], 14) << "at " << i;
}

TEST(ConstantPlane, StaysConstantThroughHalveAndExpand) {
  for (ImageSize size : {ImageSize{5, 3}, ImageSize{8, 6}, ImageSize{1, 1}, ImageSize{9, 2}}) {
    SCOPED_TRACE(testing::Message() << size.width << "x" << size.height);
    const LumaImage flat(static_cast<std::size_t>(size.width * size.height), 384);
    const ImageSize halfSize{(size.width + 1) / 2, (size.height + 1) / 2};
    LumaImage half(static_cast<std::size_t>(halfSize.width * halfSize.height));
    halvePlane(flat.data(), size, half.data(), halfSize);
    LumaImage back(flat.size());
    expandPlane(half.data(), halfSize, back.data(), size);
    EXPECT_EQ(back, flat);
  }
}

TEST(CheckedElementCount, RefusesNegativeAndOverflowingSizesBeforeAllocating) {
  EXPECT_EQ(checkedElementCount({1000, 700}, 3), 2100000u);
  EXPECT_EQ(checkedElementCount({0, 700}, 3), 0u);
  EXPECT_THROW(checkedElementCount({-1, 10}, 1), std::bad_alloc);
  EXPECT_THROW(checkedElementCount({1 << 30, 1 << 30}, 1 << 30), std::bad_alloc);
}

TEST(WorkingColoursFromRows, AreThoseOfTheWholePhotoWithOrWithoutAFullSizeBuffer) {
  const test::TempDir dir;
  const ImageSize photoSize{256, 192};
  RgbImage original = test::noisePicture(photoSize, 3);
  const std::string file = (dir / "noise.jpg").string();
  ASSERT_EQ(imaging::Bitmap::overPixels(original.data(), 256, 192, 3 * 256)->saveJpeg(file, 90),
            imaging::ImagingStatus::Ok);
  const auto photo = imaging::Bitmap::fromFile(file);
  const ImageSize size{64, 48};
  UnfilledRgbImage whole = makeUnfilledRgbImage(photoSize);
  readPhotoPixels(*photo, whole.data(), photoSize);
  const UnfilledRgbImage expected = workingColours(whole, photoSize, size);

  UnfilledRgbImage full = makeUnfilledRgbImage(photoSize);
  EXPECT_EQ(workingColoursFromRows(*photo, photoSize, size, full.data()), expected);
  EXPECT_EQ(full, whole);
  EXPECT_EQ(workingColoursFromRows(*photo, photoSize, size, nullptr), expected);
  // 256 x 192 to 60 x 45 is no power-of-two reduction: left to the whole photo.
  EXPECT_FALSE(workingColoursFromRows(*photo, photoSize, {60, 45}, nullptr));
}

TEST(ImageToRgb, AtItsOwnSizeCopiesThePixelsUnchangedAndReleasesOnRequest) {
  const ImageSize size{4, 3};
  RgbImage pixels(4 * 3 * 3);
  std::iota(pixels.begin(), pixels.end(), 1);
  auto bitmap = imaging::Bitmap::overPixels(pixels.data(), size.width, size.height, 12);
  EXPECT_EQ(imageToRgb(*bitmap, size, false), pixels);
  EXPECT_EQ(imageToRgb(*bitmap, size, true), pixels);
  EXPECT_EQ(bitmap->width(), 0);
}

TEST(ImageToRgb, HonoursTheSourceStride) {
  // Two rows of 2 pixels, each row padded to 8 bytes.
  std::vector<std::uint8_t> padded = {1, 2, 3, 4, 5, 6, 99, 99, 7, 8, 9, 10, 11, 12, 99, 99};
  auto bitmap = imaging::Bitmap::overPixels(padded.data(), 2, 2, 8);
  EXPECT_EQ(imageToRgb(*bitmap, {2, 2}, false), (RgbImage{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST(ImageToRgb, AtAnotherSizeScalesTheWholePicture) {
  // Left half blue, right half red: the halved picture keeps the split in the middle.
  const ImageSize size{8, 4};
  RgbImage pixels = makeRgbImage(size);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x)
      pixels[static_cast<std::size_t>((y * 8 + x) * 3 + (x < 4 ? 0 : 2))] = 200;
  auto bitmap = imaging::Bitmap::overPixels(pixels.data(), 8, 4, 24);
  const RgbImage half = imageToRgb(*bitmap, {4, 2}, true);
  ASSERT_EQ(half.size(), 4u * 2 * 3);
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(half[static_cast<std::size_t>((y * 4 + 0) * 3)], 200);
    EXPECT_EQ(half[static_cast<std::size_t>((y * 4 + 3) * 3 + 2)], 200);
    EXPECT_EQ(half[static_cast<std::size_t>((y * 4 + 3) * 3)], 0);
  }
  EXPECT_EQ(bitmap->width(), 8) << "the scaled path does not release the source";
}

TEST(ImageToRgb, AnUnreadablePhotoRaisesPhotoUnreadable) {
  auto bitmap = imaging::Bitmap::fromFile("/nonexistent/photo.jpg");
  EXPECT_THROW(imageToRgb(*bitmap, {6, 4}, true), PhotoUnreadable);
}

TEST(ImageToRgb, ReducesARealPhoto) {
  const auto photo = test::samplePhotos("mountains").front();
  auto bitmap = imaging::Bitmap::fromFile(photo.string());
  ASSERT_EQ(bitmap->lastStatus(), imaging::ImagingStatus::Ok);
  const ImageSize working{bitmap->width() / 4, bitmap->height() / 4};
  const RgbImage rgb = imageToRgb(*bitmap, working, false);
  const LumaImage luma = makeLuma(rgb, working);
  const long long sum = std::accumulate(luma.begin(), luma.end(), 0LL);
  EXPECT_GT(sum / static_cast<long long>(luma.size()), 50) << "a daylight photo is not black";
}

}  // namespace
}  // namespace skylacer
