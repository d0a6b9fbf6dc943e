// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/panorama_source.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <numbers>

#include "platform/imaging/bitmap.h"
#include "platform/imaging/jpeg_codec.h"
#include "platform/imaging/picture_header.h"
#include "tests/support/file_contents.h"
#include "tests/support/samples.h"
#include "tests/support/temp_dir.h"
#include "viewer/jpeg_rows.h"
#include "viewer/panorama_block.h"

namespace skylacer::viewer {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::filesystem::path samplePhoto() {
  return test::samplesDir() / "mountains" / "IMG_0001.jpg";
}

TEST(PanoramaSource, ReadsWholeFilesAndReportsUnreadableOnes) {
  const test::TempDir dir;
  EXPECT_FALSE(readWholeFile(dir / "missing.jpg"));
  EXPECT_FALSE(readWholeFile(dir.path()));  // a folder
  std::ofstream(dir / "empty.jpg");
  const auto empty = readWholeFile(dir / "empty.jpg");
  ASSERT_TRUE(empty);
  EXPECT_TRUE(empty->empty());
  const auto photo = readWholeFile(samplePhoto());
  ASSERT_TRUE(photo);
  EXPECT_EQ(*photo, test::fileBytes(samplePhoto()));
}

TEST(PanoramaSource, TakesTheAppendedPictureAndItsFieldOfView) {
  const Bytes jpeg = test::fileBytes(samplePhoto());
  Bytes program{'c', 'o', 'd', 'e'};
  program.insert(program.end(), kPanoramaMagic.begin(), kPanoramaMagic.end());
  Bytes file = program;
  const auto header = panoramaBlockHeader(2 * std::numbers::pi);
  file.insert(file.end(), header.begin(), header.end());
  file.insert(file.end(), jpeg.begin(), jpeg.end());

  const auto source = takeAppendedPanorama(file);
  ASSERT_TRUE(source);
  EXPECT_EQ(source->fieldOfView, 2 * std::numbers::pi);
  EXPECT_EQ(source->picture, jpeg);
  EXPECT_EQ(file.capacity(), 0u);  // the program's bytes are not kept while the picture decodes

  Bytes withoutBlock = program;
  EXPECT_FALSE(takeAppendedPanorama(withoutBlock));
  EXPECT_EQ(withoutBlock, program);
}

TEST(JpegRows, DecodesAPhotoStripByStripAsTheImagingLayerDoesWhole) {
  const auto rows = JpegRows::open(test::fileBytes(samplePhoto()));
  ASSERT_TRUE(rows);
  const auto reference = imaging::Bitmap::fromFile(samplePhoto().string());
  ASSERT_EQ(rows->width(), reference->width());
  ASSERT_EQ(rows->height(), reference->height());
  const std::size_t rowBytes = std::size_t{3} * reference->width();
  std::vector<std::uint8_t> expected(rowBytes * reference->height());
  ASSERT_EQ(reference->readPixels(expected.data(), static_cast<int>(rowBytes)),
            imaging::ImagingStatus::Ok);
  // Strips of uneven heights, into a buffer with a gap after each row.
  const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(rowBytes) + 7;
  std::vector<std::uint8_t> strip(static_cast<std::size_t>(stride) * 100);
  for (int count : {1, 99, 37, 100}) {
    const int first = rows->rowsRead();
    ASSERT_TRUE(rows->read(strip.data(), stride, count));
    for (int r = 0; r < count; r += 17)
      ASSERT_EQ(0, std::memcmp(strip.data() + r * stride, expected.data() + (first + r) * rowBytes,
                               rowBytes))
          << "row " << first + r;
  }
  while (rows->rowsRead() < rows->height())
    ASSERT_TRUE(rows->read(strip.data(), stride, std::min(100, rows->height() - rows->rowsRead())));
  EXPECT_FALSE(rows->read(strip.data(), stride, 1));  // no rows left
}

// The reduced decoders of a picture, opened before, between and after the full one's reads,
// hand out the picture the imaging layer decodes at the same reduction.
TEST(JpegRows, ReducedDecodersShareThePictureAndDecodeAsTheImagingLayer) {
  const Bytes bytes = test::fileBytes(samplePhoto());
  imaging::PictureHeader header;
  ASSERT_EQ(imaging::readPictureHeader(bytes, header), imaging::ImagingStatus::Ok);
  const auto full = JpegRows::open(bytes);
  ASSERT_TRUE(full);
  std::vector<std::uint8_t> row(std::size_t{3} * full->width());
  for (const int denominator : {8, 2, 4}) {
    SCOPED_TRACE(denominator);
    const auto reduced = full->reduced(denominator);
    ASSERT_TRUE(reduced);
    const int width = imaging::reducedLength(full->width(), denominator);
    const int height = imaging::reducedLength(full->height(), denominator);
    ASSERT_EQ(reduced->width(), width);
    ASSERT_EQ(reduced->height(), height);
    const std::ptrdiff_t stride = 3 * static_cast<std::ptrdiff_t>(width);
    std::vector<std::uint8_t> expected(static_cast<std::size_t>(stride) * height);
    imaging::DataDamage damage = imaging::DataDamage::None;
    ASSERT_EQ(imaging::decodeJpeg(bytes, header, denominator,
                                  {expected.data(), stride, width, height}, damage),
              imaging::ImagingStatus::Ok);
    std::vector<std::uint8_t> actual(expected.size());
    ASSERT_TRUE(reduced->read(actual.data(), stride, height));
    EXPECT_EQ(actual, expected);
    ASSERT_TRUE(full->read(row.data(), 0, 100));  // the full decoder goes on by itself
  }
  EXPECT_EQ(full->rowsRead(), 300);
}

TEST(JpegRows, PicturesThatCannotBeDecoded) {
  EXPECT_FALSE(JpegRows::open({}));
  EXPECT_FALSE(JpegRows::open({'n', 'o', 't', ' ', 'j', 'p', 'g'}));

  // Half a JPEG opens, then fails by the time its rows run out, and stays failed.
  Bytes truncated = test::fileBytes(samplePhoto());
  truncated.resize(truncated.size() / 2);
  const auto rows = JpegRows::open(truncated);
  ASSERT_TRUE(rows);
  std::vector<std::uint8_t> row(std::size_t{3} * rows->width());
  bool failed = false;
  while (!failed && rows->rowsRead() < rows->height()) failed = !rows->read(row.data(), 0, 1);
  EXPECT_TRUE(failed);
  EXPECT_FALSE(rows->read(row.data(), 0, 1));
}

}  // namespace
}  // namespace skylacer::viewer
