// SPDX-License-Identifier: GPL-3.0-or-later
// panorama-cli stitch and what the photo files hold beyond their header: a photo cut short stops
// the stitch and is named; the first photo's colour profile and capture date reach the panorama.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "platform/imaging/photo_metadata.h"
#include "tests/cli/cli_run.h"
#include "tests/support/file_contents.h"
#include "tests/support/samples.h"
#include "tests/support/temp_dir.h"

namespace skylacer::cli {
namespace {

namespace fs = std::filesystem;

// The mountain photos copied into `dir`; `edit` may change the bytes of each (by index).
template <typename Edit>
std::vector<std::string> copiedMountains(const test::TempDir& dir, Edit edit) {
  std::vector<std::string> paths;
  const auto samples = test::samplePhotos("mountains");
  for (std::size_t i = 0; i < samples.size(); ++i) {
    std::vector<std::uint8_t> bytes = test::fileBytes(samples[i]);
    edit(i, bytes);
    const fs::path path = dir / samples[i].filename();
    test::writeFile(path, bytes);
    paths.push_back(path.string());
  }
  return paths;
}

std::vector<std::string> stitchArgs(std::vector<std::string> photos, const fs::path& out) {
  photos.insert(photos.begin(), "stitch");
  photos.push_back("-o");
  photos.push_back(out.string());
  return photos;
}

TEST(StitchPhotoFiles, APhotoCutShortStopsTheStitchNamingItAndKeepsTheOldPanorama) {
  const test::TempDir dir;
  const std::vector<std::string> photos = copiedMountains(dir, [](std::size_t i, auto& bytes) {
    if (i == 2) bytes.resize(bytes.size() / 10);
  });
  const fs::path out = dir / "out.jpg";
  test::writeFile(out, std::string_view("the previous panorama"));
  const ProgramRun run = runCli(stitchArgs(photos, out));
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(
      run.err.find(photos[2] + ": cannot read the photo: the file ends before the picture does"),
      std::string::npos)
      << run.err;
  EXPECT_EQ(test::fileText(out), "the previous panorama");
  EXPECT_EQ(test::fileNames(dir.path()).size(), photos.size() + 1) << "no scratch file is left";
}

TEST(StitchPhotoFiles, ThePanoramaCarriesTheFirstPhotosColourProfileAndCaptureDate) {
  imaging::PhotoMetadata first;
  first.iccProfile.resize(3000);
  for (std::size_t i = 0; i < first.iccProfile.size(); ++i)
    first.iccProfile[i] = static_cast<std::uint8_t>(i * 13);
  first.exif.dateTimeOriginal = "2019:08:30 16:45:12";
  imaging::PhotoMetadata second;
  second.exif.dateTimeOriginal = "2019:08:30 16:45:20";
  const test::TempDir dir;
  const std::vector<std::string> photos = copiedMountains(dir, [&](std::size_t i, auto& bytes) {
    if (i < 2) bytes = imaging::withCarriedMetadata(bytes, i == 0 ? first : second);
  });
  const fs::path out = dir / "out.jpg";
  const ProgramRun run = runCli(stitchArgs(photos, out));
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const auto panorama = imaging::Bitmap::fromFile(out.string());
  ASSERT_EQ(panorama->lastStatus(), imaging::ImagingStatus::Ok);
  EXPECT_EQ(panorama->metadata().iccProfile, first.iccProfile);
  EXPECT_EQ(panorama->metadata().exif.dateTimeOriginal, first.exif.dateTimeOriginal);
  EXPECT_EQ(panorama->metadata().exif.orientation, std::nullopt) << "the pixels are upright";
}

}  // namespace
}  // namespace skylacer::cli
