// SPDX-License-Identifier: GPL-3.0-or-later
// A photo whose pixels cannot be had whole stops the engine, which names it, instead of
// stitching the black its missing rows would decode to.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/buffers.h"
#include "engine/stitch.h"
#include "engine/trace.h"
#include "platform/imaging/bitmap.h"
#include "tests/support/file_contents.h"
#include "tests/support/samples.h"
#include "tests/support/temp_dir.h"

namespace skylacer {
namespace {

using test::TempDir;

// The first `count` mountain photos copied into `dir`; photo `cut` (if any) keeps only its
// first tenth.
std::vector<std::string> copiedPhotos(const TempDir& dir, int count, int cut) {
  std::vector<std::string> paths;
  const auto samples = test::samplePhotos("mountains");
  for (int i = 0; i < count; ++i) {
    const std::filesystem::path path = dir / samples.at(static_cast<std::size_t>(i)).filename();
    std::vector<std::uint8_t> bytes = test::fileBytes(samples.at(static_cast<std::size_t>(i)));
    if (i == cut) bytes.resize(bytes.size() / 10);
    test::writeFile(path, bytes);
    paths.push_back(path.string());
  }
  return paths;
}

// The first `count` mountain photos enlarged by a quarter into `dir`: beyond 2^20 pixels, so that
// the alignment works on reduced decodes and the composition decodes each file again.
std::vector<std::string> enlargedPhotos(const TempDir& dir, int count) {
  std::vector<std::string> paths;
  const auto samples = test::samplePhotos("mountains");
  for (int i = 0; i < count; ++i) {
    auto photo = imaging::Bitmap::fromFile(samples.at(static_cast<std::size_t>(i)).string());
    const int width = photo->width() * 5 / 4;
    const int height = photo->height() * 5 / 4;
    auto enlarged = imaging::Bitmap::blank(width, height);
    const std::string path = (dir / samples.at(static_cast<std::size_t>(i)).filename()).string();
    if (enlarged->drawScaled(*photo, 0, 0, width, height) != imaging::ImagingStatus::Ok ||
        enlarged->saveJpeg(path, 92) != imaging::ImagingStatus::Ok)
      ADD_FAILURE() << "cannot write " << path;
    paths.push_back(path);
  }
  return paths;
}

TEST(ImageToRgb, APhotoCutShortRaisesPhotoUnreadableAtEverySize) {
  TempDir dir;
  const std::string path = copiedPhotos(dir, 1, 0).front();
  auto bitmap = imaging::Bitmap::fromFile(path);
  ASSERT_EQ(bitmap->lastStatus(), imaging::ImagingStatus::Ok) << "the header is whole";
  const ImageSize full{bitmap->width(), bitmap->height()};
  for (const ImageSize size : {full, ImageSize{full.width / 4, full.height / 4}}) {
    SCOPED_TRACE(size.width);
    try {
      imageToRgb(*bitmap, size, true);
      ADD_FAILURE() << "no exception";
    } catch (const PhotoUnreadable& unreadable) {
      EXPECT_EQ(&unreadable.photo(), bitmap.get());
    }
    EXPECT_EQ(bitmap->damage(), imaging::DataDamage::Truncated);
    EXPECT_EQ(bitmap->width(), full.width) << "not released";
  }
}

// Counts the open progress ranges and, when the composition starts, cuts a photo's file short:
// the damage shows only at the full-size decode.
class CuttingProgress final : public IProgress {
 public:
  explicit CuttingProgress(std::string path) : path_(std::move(path)) {}
  int PushRange(double, double) override { return depth++; }
  void PopRange() override { --depth; }
  bool Report(double, const char* text) override {
    if (text != nullptr && std::string(text) == "Stitching images" && !path_.empty()) {
      std::filesystem::resize_file(path_, std::filesystem::file_size(path_) / 10);
      path_.clear();
    }
    return false;
  }
  int depth = 0;

 private:
  std::string path_;
};

struct Opened {
  std::vector<std::unique_ptr<imaging::Bitmap>> bitmaps;
  std::vector<imaging::Bitmap*> pointers;
};

Opened openAll(const std::vector<std::string>& paths) {
  Opened opened;
  for (const std::string& path : paths) {
    opened.bitmaps.push_back(imaging::Bitmap::fromFile(path));
    opened.pointers.push_back(opened.bitmaps.back().get());
  }
  return opened;
}

TEST(StitchPanorama, StopsAtAPhotoCutShortAndNamesIt) {
  TempDir dir;
  const Opened opened = openAll(copiedPhotos(dir, 3, 1));
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  NullTrace trace;
  CuttingProgress progress("");
  const auto result = stitchPanorama(opened.pointers, params, &progress, trace);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->unreadablePhoto, 1);
  EXPECT_TRUE(result->panorama.pixels.empty());
  EXPECT_EQ(progress.depth, 0) << "the ranges the run opened are closed";
}

TEST(StitchPanorama, NamesTheFirstPhotoCutShortWhenThreadsLoadSeveral) {
  // Photo 1 fails late in its decode and photos 2 and 3 early: threads that load them side by
  // side meet the later ones' damage first.
  for (const int workers : {1, 2, 4}) {
    SCOPED_TRACE(workers);
    TempDir dir;
    const std::vector<std::string> paths = copiedPhotos(dir, 4, -1);
    for (const auto& [photo, keptTenths] : {std::pair{1, 9}, {2, 1}, {3, 1}}) {
      const std::string& path = paths[static_cast<std::size_t>(photo)];
      std::filesystem::resize_file(path, std::filesystem::file_size(path) * keptTenths / 10);
    }
    const Opened opened = openAll(paths);
    StitchParams params = paramsFromProfileText(kDefaultProfileText);
    NullTrace trace;
    CuttingProgress progress("");
    const auto result =
        stitchPanorama(opened.pointers, params, &progress, trace, AlignmentCheck::Refuse, workers);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->unreadablePhoto, 1);
    EXPECT_EQ(progress.depth, 0);
  }
}

TEST(StitchPanorama, APhotoReadWholeWhileLoadingIsNotReadAgain) {
  // The loading keeps the decoded photos of a short series for the composition: a file cut
  // short after it was read whole changes nothing.
  for (const int workers : {1, 2}) {
    SCOPED_TRACE(workers);
    TempDir dir;
    const std::vector<std::string> paths = enlargedPhotos(dir, 3);
    StitchParams params = paramsFromProfileText(kDefaultProfileText);
    NullTrace trace;
    const Opened whole = openAll(paths);
    const auto expected = stitchPanorama(whole.pointers, params, nullptr, trace,
                                         AlignmentCheck::StitchAnyway, workers);
    ASSERT_TRUE(expected && !expected->panorama.pixels.empty());
    const Opened opened = openAll(paths);
    CuttingProgress progress(paths[2]);
    const auto result = stitchPanorama(opened.pointers, params, &progress, trace,
                                       AlignmentCheck::StitchAnyway, workers);
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->unreadablePhoto);
    EXPECT_TRUE(result->panorama.pixels == expected->panorama.pixels);
  }
}

TEST(ComposePanorama, StopsAtAPhotoThatTurnsOutDamagedWhileComposing) {
  // Photos the loading did not keep are decoded again, with two workers on another thread ahead
  // of their turn.
  TempDir dir;
  const std::vector<std::string> paths = enlargedPhotos(dir, 3);
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  NullTrace trace;
  const Opened aligned = openAll(paths);
  const auto stitched = stitchPanorama(aligned.pointers, params, nullptr, trace);
  ASSERT_TRUE(stitched && !stitched->cameras.empty());
  std::filesystem::resize_file(paths[2], std::filesystem::file_size(paths[2]) / 10);
  for (const int workers : {1, 2}) {
    SCOPED_TRACE(workers);
    const Opened opened = openAll(paths);
    try {
      composePanorama(opened.pointers, stitched->cameras, params, nullptr, workers);
      ADD_FAILURE() << "no exception";
    } catch (const PhotoUnreadable& unreadable) {
      EXPECT_EQ(&unreadable.photo(), opened.pointers[2]);
    }
  }
}

TEST(StitchPanorama, ASinglePhotoCutShortIsNamedToo) {
  TempDir dir;
  const Opened opened = openAll(copiedPhotos(dir, 1, 0));
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  NullTrace trace;
  const auto result = stitchPanorama(opened.pointers, params, nullptr, trace);
  ASSERT_TRUE(result);
  EXPECT_EQ(result->unreadablePhoto, 0);
  EXPECT_TRUE(result->panorama.pixels.empty());
}

}  // namespace
}  // namespace skylacer
