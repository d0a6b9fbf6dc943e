// SPDX-License-Identifier: GPL-3.0-or-later
// panorama-cli publish, run as a program: the smallest movies it lets through, and Ctrl-C while
// it publishes.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "tests/cli/cli_run.h"
#include "tests/support/file_contents.h"
#include "tests/support/samples.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace skylacer::cli {
namespace {

namespace fs = std::filesystem;

// A sample photo scaled to width x height, saved as the panorama to publish.
fs::path writePanorama(const fs::path& path, int width, int height) {
  const auto photo = imaging::Bitmap::fromFile(test::samplePhotos("mountains").front().string());
  const auto panorama = imaging::Bitmap::blank(width, height);
  if (panorama->drawScaled(*photo, 0, 0, width, height) != imaging::ImagingStatus::Ok ||
      panorama->saveJpeg(path.string(), 90) != imaging::ImagingStatus::Ok)
    throw std::runtime_error("cannot write the test panorama");
  return path;
}

// Output sizes whose movie tiles are 4 and 8 rows tall once cut to multiples of 96 x 4.
TEST(Publish, WritesMoviesOfTheSmallestSizes) {
  const test::TempDir dir;
  const fs::path panorama = writePanorama(dir / "pano.jpg", 400, 100);
  for (const char* size : {"97x5", "96x4", "96x96", "192x8", "200x7"}) {
    SCOPED_TRACE(size);
    const fs::path movie = dir / (std::string(size) + ".mov");
    const ProgramRun run = runCli(
        {"publish", panorama.string(), "--hfov", "180", "--size", size, "--mov", movie.string()});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find(movie.string() + ": written"), std::string::npos) << run.out;
  }
}

// What a stopped run must leave: the old files as they were, nothing else but what was listed.
struct StoppedRun {
  ProgramRun run;
  std::vector<std::string> files;    // in the output folder afterwards
  std::vector<std::string> scratch;  // in TMPDIR afterwards
};

StoppedRun publishStoppedAt(const test::TempDir& dir, const std::vector<std::string>& options,
                            const std::string& interruptAt) {
  const test::TempDir temporary;
  const test::ScopedEnv tmpdir("TMPDIR", temporary.path().c_str());
  std::vector<std::string> args = {"publish", (dir / "pano.jpg").string(), "--hfov", "360"};
  args.insert(args.end(), options.begin(), options.end());
  StoppedRun stopped{runCli(args, interruptAt), {}, {}};
  stopped.files = test::fileNames(dir.path());
  stopped.scratch = test::fileNames(temporary.path());
  return stopped;
}

TEST(PublishCtrlC, DuringTheMovieKeepsTheOldMovieAndListsTheProjectWrittenBefore) {
  const test::TempDir dir;
  writePanorama(dir / "pano.jpg", 9600, 1200);
  test::writeFile(dir / "pano.mov", "the movie saved before");
  // 40 % of the whole is the fifth of the movie's 24 tiles.
  const StoppedRun stopped = publishStoppedAt(
      dir,
      {"--project", (dir / "pano.skl").string(), "--mov", (dir / "pano.mov").string(), "--html",
       "java:" + (dir / "page.html").string()},
      " 40% Saving to QuickTime");
  EXPECT_EQ(stopped.run.exitStatus, 130) << stopped.run.err;
  EXPECT_EQ(stopped.run.out, (dir / "pano.skl").string() + ": written\n");
  EXPECT_NE(stopped.run.err.find("stopped, " + (dir / "pano.mov").string() + " not written"),
            std::string::npos)
      << stopped.run.err;
  EXPECT_EQ(test::fileText(dir / "pano.mov"), "the movie saved before");
  EXPECT_EQ(stopped.files, (std::vector<std::string>{"pano.jpg", "pano.mov", "pano.skl"}))
      << "no intermediate movie, no page after the stop";
  EXPECT_TRUE(stopped.scratch.empty()) << stopped.scratch.front();
}

TEST(PublishCtrlC, DuringTheScalingOfAPagePictureKeepsTheOldPicture) {
  const test::TempDir dir;
  writePanorama(dir / "pano.jpg", 4800, 600);
  test::writeFile(dir / "page.jpg", "the picture saved before");
  const StoppedRun stopped = publishStoppedAt(
      dir, {"--size", "16000x2000", "--html", "java:" + (dir / "page.html").string()},
      "Converting to JPEG");
  EXPECT_EQ(stopped.run.exitStatus, 130) << stopped.run.err;
  EXPECT_EQ(stopped.run.out, "");
  EXPECT_EQ(test::fileText(dir / "page.jpg"), "the picture saved before");
  EXPECT_EQ(stopped.files, (std::vector<std::string>{"page.jpg", "pano.jpg"}));
  EXPECT_TRUE(stopped.scratch.empty()) << stopped.scratch.front();
}

}  // namespace
}  // namespace skylacer::cli
