// SPDX-License-Identifier: GPL-3.0-or-later
// The saved panorama carries the first photo's colour profile and capture date, at its own size
// and scaled, and nothing when there is none to carry.

#include <gtest/gtest.h>

#include "output/image.h"
#include "platform/imaging/bitmap.h"
#include "tests/output/recorders.h"
#include "tests/output/test_panorama.h"
#include "tests/support/temp_dir.h"

namespace skylacer::output {
namespace {

TEST(SavePanorama, CarriesThePhotosColourProfileAndCaptureDate) {
  imaging::PhotoMetadata photo;
  photo.iccProfile.assign(70000, 0x5C);  // two chunks
  photo.exif.dateTimeOriginal = "2020:02:29 12:00:01";
  photo.exif.orientation = 6;
  photo.exif.focalLength35mm = 28;
  const test::TestPanorama panorama = test::gradientPanorama({200, 50});
  test::TempDir folder;
  for (const ImageSize size : {ImageSize{200, 50}, ImageSize{100, 25}}) {
    SCOPED_TRACE(size.width);
    PanoramaView view = panorama.view();
    view.metadata = &photo;
    test::RecordingProgress progress;
    test::RecordingPrompt prompt;
    const std::string path = (folder / "pano.jpg").string();
    ASSERT_TRUE(savePanorama(view, path, 1, {size, 80}, progress, prompt));
    const auto saved = imaging::Bitmap::fromFile(path);
    ASSERT_EQ(saved->width(), size.width) << "upright as stitched: no orientation goes with it";
    EXPECT_EQ(saved->metadata().iccProfile, photo.iccProfile);
    imaging::ExifData carried;
    carried.dateTimeOriginal = photo.exif.dateTimeOriginal;
    EXPECT_EQ(saved->metadata().exif, carried);

    ASSERT_TRUE(savePanorama(panorama.view(), path, 1, {size, 80}, progress, prompt));
    EXPECT_EQ(imaging::Bitmap::fromFile(path)->metadata(), imaging::PhotoMetadata());
  }
}

}  // namespace
}  // namespace skylacer::output
