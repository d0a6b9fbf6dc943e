#include "viewer/panorama_source.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <numbers>

#include "platform/imaging/bitmap.h"
#include "tests/support/file_contents.h"
#include "tests/support/samples.h"
#include "tests/support/temp_dir.h"
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

  Bytes withoutBlock = program;
  EXPECT_FALSE(takeAppendedPanorama(withoutBlock));
  EXPECT_EQ(withoutBlock, program);
}

TEST(PanoramaSource, DecodesAPhotoHeldInMemory) {
  const auto decoded = decodePicture(test::fileBytes(samplePhoto()));
  ASSERT_TRUE(decoded);
  const auto reference = imaging::Bitmap::fromFile(samplePhoto().string());
  EXPECT_EQ(decoded->rows.width, reference->width());
  EXPECT_EQ(decoded->rows.height, reference->height());
  ASSERT_NE(decoded->rows.rows, nullptr);
  std::vector<std::uint8_t> pixels(std::size_t{3} * reference->width() * reference->height());
  ASSERT_EQ(reference->readPixels(pixels.data(), 3 * reference->width()),
            imaging::ImagingStatus::Ok);
  const int middle = reference->height() / 2;
  EXPECT_EQ(0, std::memcmp(decoded->rows.rows + std::size_t(middle) * decoded->rows.stride,
                           pixels.data() + std::size_t(middle) * 3 * reference->width(),
                           std::size_t{3} * reference->width()));
}

TEST(PanoramaSource, PicturesThatCannotBeDecoded) {
  Bytes truncated = test::fileBytes(samplePhoto());
  truncated.resize(truncated.size() / 2);
  const struct {
    const char* what;
    Bytes bytes;
  } cases[] = {{"no bytes", {}},
               {"not a picture", {'n', 'o', 't', ' ', 'j', 'p', 'g'}},
               {"half a JPEG", truncated}};
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    EXPECT_FALSE(decodePicture(bytes));
  }
}

}  // namespace
}  // namespace skylacer::viewer
