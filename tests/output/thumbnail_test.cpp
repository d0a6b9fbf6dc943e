// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/thumbnail.h"

#include <gtest/gtest.h>

#include "platform/imaging/bitmap.h"
#include "tests/output/test_panorama.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace skylacer::output {
namespace {

TEST(Thumbnail, ReductionFactor) {
  struct Case {
    ImageSize photo;
    int reduction;
  };
  for (const Case& c : {Case{{3000, 2000}, 8}, Case{{1000, 300}, 1}, Case{{400, 3000}, 1},
                        Case{{800, 600}, 2}, Case{{1600, 1200}, 4}, Case{{20000, 6000}, 8}}) {
    SCOPED_TRACE(std::to_string(c.photo.width) + "x" + std::to_string(c.photo.height));
    EXPECT_EQ(thumbnailReduction(c.photo), c.reduction);
  }
}

TEST(Thumbnail, LargePhotoGetsAReducedTemporaryCopy) {
  test::TempDir folder;
  const test::ScopedEnv temporary("TMPDIR", folder.path().c_str());
  const std::string photo = (folder / "big.jpg").string();
  ASSERT_EQ(imaging::Bitmap::blank(3000, 2000)->saveJpeg(photo), imaging::ImagingStatus::Ok);

  TemporaryFileList list;
  const Thumbnail thumbnail = makeThumbnail(photo, list);
  EXPECT_EQ(thumbnail.photoSize, (ImageSize{3000, 2000}));
  ASSERT_EQ(list.files().size(), 1u);
  EXPECT_EQ(thumbnail.path, list.files()[0].string());
  EXPECT_EQ(list.files()[0].filename().string().substr(0, 3), "thm");
  EXPECT_EQ(test::pictureSize(thumbnail.path), (ImageSize{375, 250}));
}

TEST(Thumbnail, SmallOrUnreadablePhotoIsItsOwnThumbnail) {
  test::TempDir folder;
  const std::string small = (folder / "small.jpg").string();
  ASSERT_EQ(imaging::Bitmap::blank(1000, 300)->saveJpeg(small), imaging::ImagingStatus::Ok);
  TemporaryFileList list;
  EXPECT_EQ(makeThumbnail(small, list).path, small);
  const Thumbnail missing = makeThumbnail((folder / "none.jpg").string(), list);
  EXPECT_EQ(missing.path, (folder / "none.jpg").string());
  EXPECT_EQ(missing.photoSize, (ImageSize{0, 0}));
  EXPECT_TRUE(list.files().empty());
}

}  // namespace
}  // namespace skylacer::output
