// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/quicktime_movie.h"

#include <gtest/gtest.h>

#include "output/image.h"
#include "output/messages.h"
#include "tests/output/recorders.h"
#include "tests/output/test_panorama.h"
#include "tests/support/file_contents.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace skylacer::output {
namespace {

TEST(QuickTimeSource, IsRoundedDownAndTurnedWithTheLeftEdgeAtTheBottom) {
  EXPECT_EQ(quickTimeSourceSize({1000, 301}), (ImageSize{960, 300}));
  EXPECT_EQ(quickTimeSourceSize({95, 300}), (ImageSize{0, 300}));

  const test::TestPanorama panorama = test::gradientPanorama({1000, 301});
  test::TempDir folder;
  const std::string path = (folder / "source.jpg").string();
  ASSERT_EQ(writeQuickTimeSource(panorama.view(), {960, 300}, path), imaging::ImagingStatus::Ok);
  ASSERT_EQ(test::pictureSize(path), (ImageSize{300, 960}));
  // Blue rises from the panorama's left edge to its right edge: bottom to top once turned.
  EXPECT_LT(test::channelMean(path, 0, 940, 960), 10);
  EXPECT_GT(test::channelMean(path, 0, 0, 20), 245);
  // Green rises from the panorama's top to its bottom: left to right once turned.
  EXPECT_LT(test::channelMean(path, 1, 0, 960), 140);
}

TEST(QuickTimeSource, DegreesAreTruncated) {
  EXPECT_EQ(movieDegrees(2 * 3.141592653589793), 360);
  EXPECT_EQ(movieDegrees(360 * kProgramPi / 180), 360);
  EXPECT_EQ(movieDegrees(1.7), 97);
}

TEST(SaveMovie, WritesTheMovieAndRemovesEveryTemporaryFile) {
  test::TempDir temporary, folder;
  const test::ScopedEnv tmpdir("TMPDIR", temporary.path().c_str());
  const test::TestPanorama panorama = test::gradientPanorama({1000, 250});
  test::RecordingProgress progress;
  test::RecordingPrompt prompt;
  const std::string movie = (folder / "pano.mov").string();
  ASSERT_TRUE(savePanorama(panorama.view(2 * kProgramPi), movie, kQuickTimeFilterIndex,
                           {{1000, 250}, 75}, progress, prompt));
  EXPECT_TRUE(prompt.messages.empty());
  EXPECT_GT(std::filesystem::file_size(movie), 1000u);
  EXPECT_TRUE(test::fileNames(temporary.path()).empty());
  EXPECT_EQ(progress.texts(),
            (std::vector<std::string>{"Saving: ", "Saving to QuickTime...", "Opening result... "}));
  // The source picture's reports land in 0.1-0.3, then the writer's 24 tile reports in 0.3-0.95.
  std::vector<double> positions;
  for (const auto& report : progress.reports)
    if (report.text.empty()) positions.push_back(report.position);
  ASSERT_GT(positions.size(), 24u);
  const auto writerStart = positions.end() - 24;
  for (auto source = positions.begin(); source != writerStart; ++source) {
    EXPECT_GT(*source, 0.1);
    EXPECT_LE(*source, 0.3);
  }
  for (auto tile = writerStart; tile != positions.end(); ++tile) {
    EXPECT_GE(*tile, 0.3);
    EXPECT_LE(*tile, 0.95);
  }
}

TEST(SaveMovie, FailuresAreShownAndNeverReportedAsSuccess) {
  test::TempDir temporary, folder;
  const test::ScopedEnv tmpdir("TMPDIR", temporary.path().c_str());
  const test::TestPanorama panorama = test::gradientPanorama({400, 100});
  struct Case {
    const char* name;
    ImageSize output;
    std::filesystem::path movie;
    std::string messageStart;
  };
  for (const Case& c :
       {Case{"narrower than 96", {95, 100}, folder / "a.mov", std::string(kMovieTooSmall)},
        Case{"higher than wide", {96, 200}, folder / "b.mov", std::string(kMovieTooSmall)},
        Case{"writer fails", {400, 100}, folder / "none" / "c.mov", "Failed to save the image."}}) {
    SCOPED_TRACE(c.name);
    test::RecordingProgress progress;
    test::RecordingPrompt prompt;
    EXPECT_FALSE(savePanorama(panorama.view(), c.movie.string(), kQuickTimeFilterIndex,
                              {c.output, 75}, progress, prompt));
    ASSERT_EQ(prompt.messages.size(), 1u);
    EXPECT_EQ(prompt.messages[0].substr(0, c.messageStart.size()), c.messageStart);
    EXPECT_FALSE(std::filesystem::exists(c.movie));
    EXPECT_TRUE(test::fileNames(temporary.path()).empty());
  }
}

}  // namespace
}  // namespace skylacer::output
