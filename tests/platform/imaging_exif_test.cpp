// SPDX-License-Identifier: GPL-3.0-or-later
// The EXIF reader over blocks built byte by byte (both byte orders, damaged ones), and the focal
// length in pixels it gives for a photo.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "platform/imaging/exif.h"
#include "platform/imaging/focal_length.h"
#include "tests/platform/exif_blocks.h"

namespace skylacer::imaging::test {
namespace {

// A camera's block: orientation in the first directory, the rest in the EXIF directory.
std::vector<std::uint8_t> cameraBlock(bool littleEndian) {
  const TiffFields f(littleEndian);
  return f.block(
      {f.shortField(0x0112, 6)},
      {f.asciiField(0x9003, "2024:07:14 18:03:52"), f.rationalField(0x920A, 235, 10),
       f.longField(0xA002, 6000), f.shortField(0xA003, 4000), f.rationalField(0xA20E, 6000000, 236),
       f.rationalField(0xA20F, 4000000, 157), f.shortField(0xA210, 4), f.shortField(0xA405, 35)});
}

class ExifByteOrder : public testing::TestWithParam<bool> {};

TEST_P(ExifByteOrder, ReadsEveryField) {
  const ExifData exif = readExif(cameraBlock(GetParam()));
  EXPECT_EQ(exif.orientation, 6);
  EXPECT_EQ(exif.dateTimeOriginal, "2024:07:14 18:03:52");
  ASSERT_TRUE(exif.focalLengthMm);
  EXPECT_DOUBLE_EQ(*exif.focalLengthMm, 23.5);
  EXPECT_EQ(exif.focalLength35mm, 35);
  EXPECT_EQ(exif.pixelXDimension, 6000);
  EXPECT_EQ(exif.pixelYDimension, 4000);
  ASSERT_TRUE(exif.focalPlaneXResolution && exif.focalPlaneYResolution);
  EXPECT_DOUBLE_EQ(*exif.focalPlaneXResolution, 6000000.0 / 236);
  EXPECT_DOUBLE_EQ(*exif.focalPlaneYResolution, 4000000.0 / 157);
  EXPECT_EQ(exif.focalPlaneResolutionUnit, 4);
}

INSTANTIATE_TEST_SUITE_P(BothOrders, ExifByteOrder, testing::Bool(),
                         [](const auto& info) { return info.param ? "Intel" : "Motorola"; });

TEST(ExifReader, UnusableValuesAreAbsent) {
  const TiffFields f(true);
  const ExifData exif =
      readExif(f.block({f.shortField(0x0112, 9)},
                       {f.asciiField(0x9003, "    :  :     :  :  "), f.rationalField(0x920A, 50, 0),
                        f.shortField(0xA405, 0), f.longField(0xA002, 0x80000000u),
                        f.rationalField(0xA20E, 0, 1), f.shortField(0xA210, 7),
                        // a focal length given as a whole number is not the rational the tag is
                        f.shortField(0xA20F, 3000)}));
  EXPECT_EQ(exif, ExifData());
  EXPECT_FALSE(
      readExif(f.block({}, {f.asciiField(0x9003, "0000:00:00 00:00:00")})).dateTimeOriginal);
}

TEST(ExifReader, DamagedBlocksGiveNothingOrWhatLiesWhole) {
  const std::vector<std::uint8_t> whole = cameraBlock(false);
  // Every cut of the block reads without fault; a value cut off is absent. The date is the
  // first of the values after the directories (20 bytes, then three rationals of 8).
  for (std::size_t size = 0; size < whole.size(); ++size) {
    SCOPED_TRACE(size);
    const ExifData exif = readExif({whole.data(), size});
    if (size < whole.size() - 24) {
      EXPECT_FALSE(exif.dateTimeOriginal);
    }
    EXPECT_FALSE(exif.focalPlaneYResolution);
  }
  EXPECT_EQ(readExif({}), ExifData());
  EXPECT_EQ(readExif(std::vector<std::uint8_t>{'I', 'I', 43, 0, 8, 0, 0, 0}), ExifData());
  EXPECT_EQ(readExif(std::vector<std::uint8_t>{'X', 'X', 42, 0, 8, 0, 0, 0}), ExifData());

  const TiffFields f(true);
  // An EXIF directory pointer back at the first directory, or far beyond the block.
  const std::vector<std::uint8_t> loop =
      f.block({f.shortField(0x0112, 3), f.longField(0x8769, 8)}, {});
  EXPECT_EQ(readExif(loop).orientation, 3);
  const std::vector<std::uint8_t> far = f.block({f.longField(0x8769, 0xFFFFFFF0u)}, {});
  EXPECT_EQ(readExif(far), ExifData());
  // A directory claiming 65535 entries holds only what the block has room for.
  std::vector<std::uint8_t> crowded = f.block({f.shortField(0x0112, 8)}, {});
  crowded[8] = 0xFF;
  crowded[9] = 0xFF;
  EXPECT_EQ(readExif(crowded).orientation, 8);
}

TEST(ExifReader, RandomDamageNeverReadsOutside) {
  // Under the sanitizer build any read outside the block fails this test.
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::uint8_t> block = cameraBlock(round % 2 == 0);
    for (int flips = 0; flips < 4; ++flips)
      block[random() % block.size()] = static_cast<std::uint8_t>(random());
    block.resize(random() % (block.size() + 1));
    const ExifData exif = readExif(block);
    EXPECT_TRUE(exif.orientation.value_or(1) >= 1 && exif.orientation.value_or(1) <= 8);
  }
}

TEST(ExifReader, TheCarriedDateBlockReadsBack) {
  const std::vector<std::uint8_t> payload = exifPayloadWithCaptureDate("2021:01:02 03:04:05");
  ASSERT_GT(payload.size(), 6u);
  ExifData expected;
  expected.dateTimeOriginal = "2021:01:02 03:04:05";
  EXPECT_EQ(readExif(std::span(payload).subspan(6)), expected);
}

// --- focal length in pixels ----------------------------------------------------------

ExifData equivalentOnly(int focal35) {
  ExifData exif;
  exif.focalLength35mm = focal35;
  return exif;
}

TEST(FocalLengthPixels, From35mmEquivalentKeepsTheDiagonalAngle) {
  // A 3:2 photo: the diagonal and the long side give the same, 36 mm across.
  EXPECT_NEAR(*focalLengthPixels(equivalentOnly(36), 3000, 2000), 3000, 1e-9);
  EXPECT_NEAR(*focalLengthPixels(equivalentOnly(36), 2000, 3000), 3000, 1e-9);
  // A 4:3 photo at 26 mm equivalent: the diagonal's angle of view is that of 26 mm on 43.27 mm.
  const double focal = *focalLengthPixels(equivalentOnly(26), 4000, 3000);
  const double diagonalAngle = 2 * std::atan(5000 / 2.0 / focal);
  EXPECT_NEAR(diagonalAngle, 2 * std::atan(std::hypot(36.0, 24.0) / 2 / 26), 1e-12);
}

TEST(FocalLengthPixels, FromTheSensorScaledToTheDeliveredSize) {
  // 23.5 mm on a sensor of 4000 px per 15.6 mm, recorded 6000 x 4000, delivered halved.
  ExifData exif;
  exif.focalLengthMm = 23.5;
  exif.focalPlaneXResolution = 4000 / 15.6 * 10;  // per centimetre
  exif.focalPlaneResolutionUnit = 3;
  exif.pixelXDimension = 6000;
  exif.pixelYDimension = 4000;
  const double expected = 23.5 * 4000 / 15.6 / 2;
  EXPECT_NEAR(*focalLengthPixels(exif, 3000, 2000), expected, 1e-9);
  EXPECT_NEAR(*focalLengthPixels(exif, 2000, 3000), expected, 1e-9) << "turned upright";
  // Inches when no unit is given.
  exif.focalPlaneResolutionUnit.reset();
  exif.focalPlaneXResolution = 4000 / 15.6 * 25.4;
  EXPECT_NEAR(*focalLengthPixels(exif, 3000, 2000), expected, 1e-9);
  // A cropped picture (another shape) says nothing of the scale; without the 35 mm equivalent
  // there is no answer.
  EXPECT_FALSE(focalLengthPixels(exif, 3000, 3000));
  // The 35 mm equivalent (here 36: 23.5 x 36 / 23.4 rounded) agrees: the sensor's figure stands.
  exif.focalLength35mm = 36;
  EXPECT_NEAR(*focalLengthPixels(exif, 3000, 2000), expected, 1e-9);
  // A focal-plane resolution recorded for another picture size disagrees: the equivalent wins.
  exif.focalPlaneXResolution = *exif.focalPlaneXResolution * 1.5;
  EXPECT_NEAR(*focalLengthPixels(exif, 3000, 2000),
              36 * std::hypot(3000.0, 2000.0) / std::hypot(36.0, 24.0), 1e-9);
}

TEST(FocalLengthPixels, NothingWithoutEnoughOrWithImplausibleData) {
  ExifData exif;
  exif.focalLengthMm = 50;  // no sensor size
  EXPECT_FALSE(focalLengthPixels(exif, 3000, 2000));
  EXPECT_FALSE(focalLengthPixels(equivalentOnly(50), 0, 2000));
  EXPECT_FALSE(focalLengthPixels(equivalentOnly(65535), 3000, 2000)) << "a 100x telescope";
  EXPECT_FALSE(focalLengthPixels(equivalentOnly(1), 3000, 2000)) << "an angle of view no lens gives";
}

}  // namespace
}  // namespace skylacer::imaging::test
