// SPDX-License-Identifier: GPL-3.0-or-later
// panorama-cli stopped by Ctrl-C while it scales or encodes a large picture: it ends with 130
// and its message, and the file it was about to replace stays as it was.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>
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

// A picture of pseudo-random pixels at quality 100: its encoding takes the encoder long, so that
// a Ctrl-C sent as the encoding begins arrives while it runs.
fs::path writeNoisePanorama(const fs::path& path, int width, int height) {
  std::vector<std::uint8_t> pixels(std::size_t{3} * static_cast<std::size_t>(width) *
                                   static_cast<std::size_t>(height));
  std::uint32_t seed = 7;
  for (std::uint8_t& byte : pixels) {
    seed = seed * 1103515245u + 12345u;
    byte = static_cast<std::uint8_t>(seed >> 16);
  }
  const auto picture = imaging::Bitmap::overPixels(pixels.data(), width, height, width * 3);
  if (picture->saveJpeg(path.string(), 100) != imaging::ImagingStatus::Ok)
    throw std::runtime_error("cannot write the test panorama");
  return path;
}

TEST(CtrlCWhileEncoding, PublishKeepsTheOldPictureOfThePage) {
  const test::TempDir dir, temporary;
  const test::ScopedEnv tmpdir("TMPDIR", temporary.path().c_str());
  const fs::path panorama = writeNoisePanorama(dir / "pano.jpg", 6000, 3000);
  test::writeFile(dir / "page.jpg", "the picture saved before");
  const std::string page = (dir / "page.html").string();
  // Reported as the picture, at the panorama's own size, goes to the encoder.
  const ProgramRun run = runCli(
      {"publish", panorama.string(), "--hfov", "360", "--quality", "100", "--html", "java:" + page},
      " 10% Saving: Converting to JPEG.");
  EXPECT_EQ(run.exitStatus, 130) << run.err;
  EXPECT_NE(run.err.find("panorama-cli: stopped, " + page + " not written"), std::string::npos)
      << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(test::fileText(dir / "page.jpg") == "the picture saved before") << "replaced";
  EXPECT_EQ(test::fileNames(dir.path()), (std::vector<std::string>{"page.jpg", "pano.jpg"}));
  EXPECT_TRUE(test::fileNames(temporary.path()).empty());
}

// Runs "panorama-cli stitch" with `args` and "-o" into an empty folder holding an earlier
// out.jpg, sends Ctrl-C as the panorama goes to the encoder, and expects the earlier file to be
// all the folder holds.
void expectStitchStoppedWhileEncoding(std::vector<std::string> args) {
  const test::TempDir dir;
  const fs::path out = dir / "out.jpg";
  test::writeFile(out, "the panorama saved before");
  args.insert(args.begin(), "stitch");
  args.insert(args.end(), {"-o", out.string()});
  const ProgramRun run = runCli(args, "Converting to JPEG.");
  EXPECT_EQ(run.exitStatus, 130) << run.err;
  EXPECT_NE(run.err.find("panorama-cli: stopped, nothing written"), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(test::fileText(out) == "the panorama saved before") << "replaced";
  EXPECT_EQ(test::fileNames(dir.path()), std::vector<std::string>{"out.jpg"});
}

TEST(CtrlCWhileEncoding, StitchWritesNothingWhileScalingItsPanorama) {
  // One photo is the panorama as it is; enlarged nearly eight times each way, its scaling and
  // encoding are the run's long steps.
  expectStitchStoppedWhileEncoding(
      {test::samplePhotos("trail").front().string(), "--hfov", "60", "--size", "8000x6000"});
}

// At the panorama's own size -o encodes in bands under the progress bar: a Ctrl-C between two
// bands leaves no file behind and the old one in place.
TEST(CtrlCWhileEncoding, StitchWritesNothingWhileEncodingItsPanoramaInBands) {
  const test::TempDir photos;
  const fs::path photo = writeNoisePanorama(photos / "photo.jpg", 6000, 3000);
  expectStitchStoppedWhileEncoding({photo.string(), "--hfov", "60", "--quality", "100"});
}

}  // namespace
}  // namespace skylacer::cli
