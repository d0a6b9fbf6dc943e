// SPDX-License-Identifier: GPL-3.0-or-later
// panorama-cli stitch, run as a program on the sample photos.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/buffers.h"
#include "platform/imaging/bitmap.h"
#include "platform/registry/settings_store.h"
#include "tests/cli/cli_run.h"
#include "tests/support/file_contents.h"
#include "tests/support/samples.h"
#include "tests/support/temp_dir.h"
#include "tuning/profiles.h"

namespace skylacer::cli {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> samplePaths(const std::string& series) {
  std::vector<std::string> paths;
  for (const auto& path : test::samplePhotos(series)) paths.push_back(path.string());
  return paths;
}

std::vector<std::string> stitchArgs(const std::vector<std::string>& photos, const fs::path& out,
                                    std::vector<std::string> options = {}) {
  std::vector<std::string> args = {"stitch"};
  args.insert(args.end(), options.begin(), options.end());
  args.insert(args.end(), photos.begin(), photos.end());
  args.push_back("-o");
  args.push_back(out.string());
  return args;
}

TEST(StitchCommand, StitchesTheSampleSeriesAndWritesItsCameras) {
  const test::TempDir dir;
  const fs::path out = dir / "mountains.jpg";
  const fs::path cameras = dir / "cameras.json";
  const ProgramRun run = runCli(stitchArgs(samplePaths("mountains"), out,
                                           {"--cameras", cameras.string(), "--quality", "80"}));
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.err.find("Stitching images"), std::string::npos);
  EXPECT_NE(run.err.find("100%"), std::string::npos);
  EXPECT_EQ(run.out.find("al = "), std::string::npos) << "the trace shows only with -v";

  const auto picture = imaging::Bitmap::fromFile(out.string());
  ASSERT_EQ(picture->lastStatus(), imaging::ImagingStatus::Ok);
  const std::string size =
      std::to_string(picture->width()) + " x " + std::to_string(picture->height()) + " pixels";
  EXPECT_NE(run.out.find(size), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("horizontal field of view"), std::string::npos);
  EXPECT_GT(picture->width(), 2 * 1024);

  // Valid JSON whose cameras turn right in list order, near the series' truth (41 degrees a
  // step, 832 pixels focal length).
  const std::string check =
      "python3 -c \"import json,sys; d=json.load(open(sys.argv[1])); p=d['photos']; "
      "assert len(p)==4 and p[0]['yaw_deg']==0; "
      "assert all(38<b['yaw_deg']-a['yaw_deg']<44 for a,b in zip(p,p[1:])); "
      "assert all(780<c['focal_px']<880 for c in p); "
      "assert [q['photos'] for q in d['pairs']]==[[1,2],[2,3],[3,4]]; "
      "assert all(q['confidence']>=0.5 and q['feature_matches']>=12 for q in d['pairs']); "
      "assert d['panorama']['width']==" +
      std::to_string(picture->width()) + "; assert p[1]['file'].endswith('IMG_0002.jpg')\" '" +
      cameras.string() + "'";
  EXPECT_EQ(std::system(check.c_str()), 0);
}

// Photos that share no view are refused with both named; nothing is written and a file already
// at the output path is kept. --stitch-anyway stitches them.
TEST(StitchCommand, PhotosThatDoNotOverlapAreRefusedAndNamed) {
  const test::TempDir dir;
  const std::vector<std::string> trail = samplePaths("trail");
  ASSERT_GE(trail.size(), 3u);
  const std::vector<std::string> apart = {trail[0], trail[2]};
  const fs::path out = dir / "out.jpg";
  std::ofstream(out) << "kept";
  const ProgramRun run = runCli(stitchArgs(apart, out));
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find("Photos 1 and 2 (IMG_0001.jpg, IMG_0003.jpg) share too little detail "
                         "to align."),
            std::string::npos)
      << run.err;
  EXPECT_EQ(test::fileText(out), "kept");
  EXPECT_EQ(test::fileNames(dir.path()), std::vector<std::string>{"out.jpg"});

  const ProgramRun anyway = runCli(stitchArgs(apart, dir / "anyway.jpg", {"--stitch-anyway"}));
  EXPECT_EQ(anyway.exitStatus, 0) << anyway.err;
  EXPECT_NE(anyway.err.find("Stitched all the same."), std::string::npos) << anyway.err;
  EXPECT_TRUE(fs::exists(dir / "anyway.jpg"));
}

// A series given from right to left, or with one photo out of place, is refused with the order
// the alignment found.
TEST(StitchCommand, AReversedSeriesIsRefusedWithTheOrderFound) {
  const test::TempDir dir;
  std::vector<std::string> reversed = samplePaths("mountains");
  std::reverse(reversed.begin(), reversed.end());
  const ProgramRun run = runCli(stitchArgs(reversed, dir / "out.jpg"));
  EXPECT_EQ(run.exitStatus, 1);
  std::string order;
  for (std::size_t photo = reversed.size(); photo >= 1; --photo)
    order += (order.empty() ? "" : " ") + std::to_string(photo);
  EXPECT_NE(run.err.find("the order found is " + order + "."), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(dir / "out.jpg"));

  std::vector<std::string> swapped = samplePaths("trail");
  ASSERT_GE(swapped.size(), 4u);
  std::swap(swapped[2], swapped[3]);
  const ProgramRun misplaced = runCli(stitchArgs(swapped, dir / "out.jpg"));
  EXPECT_EQ(misplaced.exitStatus, 1);
  EXPECT_NE(misplaced.err.find("the order found is 1 2 4 3"), std::string::npos) << misplaced.err;
}

// The panorama's pixels as the program reads them back.
RgbImage decodedPixels(const fs::path& path, ImageSize& size) {
  const auto picture = imaging::Bitmap::fromFile(path.string());
  size = {picture->width(), picture->height()};
  return imageToRgb(*picture, size, true);
}

// --in-found-order stitches a shuffled series in the order found, as the series in that order;
// photos that do not overlap have no order and are refused as usual.
TEST(StitchCommand, InFoundOrderStitchesAShuffledSeriesAsTheOrderedOne) {
  const test::TempDir dir;
  const std::vector<std::string> ordered = samplePaths("mountains");
  ASSERT_EQ(ordered.size(), 4u);
  const std::vector<std::string> shuffled = {ordered[2], ordered[0], ordered[3], ordered[1]};
  const ProgramRun run =
      runCli(stitchArgs(shuffled, dir / "found.jpg",
                        {"--in-found-order", "--project", (dir / "found.skl").string()}));
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.err.find("panorama-cli: stitched in the order found: 2 4 1 3\n"), std::string::npos)
      << run.err;
  EXPECT_NE(test::fileText(dir / "found.skl").find("IMG_0001.jpg"), std::string::npos);
  EXPECT_LT(test::fileText(dir / "found.skl").find("IMG_0001.jpg"),
            test::fileText(dir / "found.skl").find("IMG_0002.jpg"))
      << "the project lists the photos in the order used";

  const ProgramRun reference = runCli(stitchArgs(ordered, dir / "ordered.jpg"));
  ASSERT_EQ(reference.exitStatus, 0) << reference.err;
  ImageSize foundSize;
  ImageSize orderedSize;
  const RgbImage found = decodedPixels(dir / "found.jpg", foundSize);
  const RgbImage expected = decodedPixels(dir / "ordered.jpg", orderedSize);
  ASSERT_EQ(foundSize, orderedSize);
  int worst = 0;
  for (std::size_t i = 0; i < found.size(); ++i)
    worst = std::max(worst, std::abs(found[i] - expected[i]));
  EXPECT_LE(worst, 1) << "the panorama differs from the ordered series' by " << worst;

  const std::vector<std::string> trail = samplePaths("trail");
  const ProgramRun apart =
      runCli(stitchArgs({trail[0], trail[2]}, dir / "apart.jpg", {"--in-found-order"}));
  EXPECT_EQ(apart.exitStatus, 1);
  EXPECT_NE(apart.err.find("share too little detail to align"), std::string::npos) << apart.err;
  EXPECT_EQ(apart.err.find("order found"), std::string::npos) << apart.err;
  EXPECT_FALSE(fs::exists(dir / "apart.jpg"));
}

TEST(StitchCommand, AnUnreadablePhotoIsNamedAndNothingIsWritten) {
  const test::TempDir dir;
  const fs::path bad = dir / "notaphoto.jpg";
  std::ofstream(bad) << "this is not a picture";
  std::vector<std::string> photos = samplePaths("mountains");
  photos.insert(photos.begin() + 2, bad.string());
  const ProgramRun run = runCli(stitchArgs(photos, dir / "out.jpg"));
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find("cannot read the photo " + bad.string() + ": not a JPEG or PNG picture"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(test::fileNames(dir.path()), std::vector<std::string>{"notaphoto.jpg"});
}

TEST(StitchCommand, CtrlCStopsTheRunAndLeavesNoOutputFile) {
  for (const char* at : {"Loading images...", "Aligning image 2...", "Stitching images"}) {
    SCOPED_TRACE(at);
    const test::TempDir dir;
    const ProgramRun run = runCli(
        stitchArgs(samplePaths("trail"), dir / "out.jpg", {"--cameras", (dir / "c.json").string()}),
        at);
    EXPECT_EQ(run.exitStatus, 130) << run.err;
    EXPECT_NE(run.err.find("stopped, nothing written"), std::string::npos);
    EXPECT_TRUE(test::fileNames(dir.path()).empty());
  }
}

TEST(StitchCommand, AnUnwritableOutputPathFailsBeforeStitching) {
  const test::TempDir dir;
  std::ofstream(dir / "file") << "x";
  const fs::path out = dir / "file" / "out.jpg";
  const ProgramRun run = runCli(stitchArgs(samplePaths("mountains"), out));
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find("folder " + (dir / "file").string() + "/ does not exist"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.err.find("Loading images"), std::string::npos);
}

TEST(StitchCommand, ASinglePhotoIsThePanoramaWithTheGivenFieldOfView) {
  const test::TempDir dir;
  const std::vector<std::string> photo = {samplePaths("trail").front()};
  EXPECT_EQ(runCli(stitchArgs(photo, dir / "one.jpg")).exitStatus, 2) << "needs --hfov";
  const ProgramRun run =
      runCli(stitchArgs(photo, dir / "one.jpg", {"--hfov", "63", "--rotate", "1:1"}));
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.out.find("768 x 1024 pixels, horizontal field of view 63.00 degrees"),
            std::string::npos)
      << run.out;
}

TEST(StitchCommand, StoredProfileByNameAndScaledOutput) {
  const CliSandbox dir;
  const fs::path storeFile = dir.userStoreFile();
  {
    registry::SettingsStore store(storeFile, registry::SettingsStore::Access::ReadWrite);
    const std::vector<tuning::ParamProfile> profiles = {
        {"Wide seams", "blend 64 pixels",
         paramsFromProfileText("100 10 90 16 8000 64 1 1 1 1 0 140 43")}};
    ASSERT_TRUE(tuning::saveProfiles(store, profiles));
  }
  const ProgramRun found = runCli(stitchArgs(samplePaths("mountains"), dir / "a.jpg",
                                             {"--profile", "Wide seams", "--size", "800x200"}));
  ASSERT_EQ(found.exitStatus, 0) << found.err;
  const auto picture = imaging::Bitmap::fromFile((dir / "a.jpg").string());
  EXPECT_EQ(picture->width(), 800);
  EXPECT_EQ(picture->height(), 200);
  const ProgramRun missing =
      runCli(stitchArgs(samplePaths("mountains"), dir / "b.jpg", {"--profile", "Narrow"}));
  EXPECT_EQ(missing.exitStatus, 1);
  EXPECT_NE(missing.err.find("no stored profile is named \"Narrow\""), std::string::npos)
      << missing.err;
  EXPECT_FALSE(fs::exists(dir / "b.jpg"));
}

TEST(StitchCommand, ThePreciseProfileWorksOnAFreshStoreAndReportsTheRadialLens) {
  const CliSandbox dir;
  const fs::path storeFile = dir.userStoreFile();
  const ProgramRun byName =
      runCli(stitchArgs(samplePaths("trail"), dir / "a.jpg",
                        {"--profile", "Precise", "--cameras", (dir / "a.json").string()}));
  ASSERT_EQ(byName.exitStatus, 0) << byName.err;
  const ProgramRun byText = runCli(stitchArgs(
      samplePaths("trail"), dir / "b.jpg",
      {"--params", std::string(kPreciseProfileText), "--cameras", (dir / "b.json").string()}));
  ASSERT_EQ(byText.exitStatus, 0) << byText.err;
  EXPECT_EQ(test::fileText(dir / "a.json"), test::fileText(dir / "b.json"));
  EXPECT_FALSE(fs::exists(storeFile));

  // The trail series has a barrel lens: its truth against what the cameras file reports.
  const std::string check =
      "python3 -c \"import json,sys; d=json.load(open(sys.argv[1])); "
      "t=json.load(open(sys.argv[2])); "
      "p=d['photos']; q=t['photos']; "
      "assert all(abs(c['focal_px']/t['focal_px']-1)<0.005 for c in p); "
      "assert all(abs(c['radial_k1']-t['k1'])<0.005 for c in p); "
      "assert all(abs((b['yaw_deg']-a['yaw_deg'])-(y['yaw_deg']-x['yaw_deg']))<0.1 "
      "for a,b,x,y in zip(p,p[1:],q,q[1:]))\" '" +
      (dir / "a.json").string() + "' '" + (test::samplesDir() / "trail" / "truth.json").string() +
      "'";
  EXPECT_EQ(std::system(check.c_str()), 0) << test::fileText(dir / "a.json");
}

TEST(StitchCommand, MisuseIsRefusedWithTheUsage) {
  const test::TempDir dir;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"stitch", "-o", (dir / "x.jpg").string()},
        std::vector<std::string>{"stitch", "a.jpg", "b.jpg"},
        stitchArgs({"a.jpg", "b.jpg"}, dir / "x.jpg", {"--rotate", "3:1"}),
        stitchArgs({"a.jpg", "b.jpg"}, dir / "x.jpg", {"--quality", "101"}),
        stitchArgs({"a.jpg", "b.jpg"}, dir / "x.jpg", {"--params", "1 2 3"})}) {
    const ProgramRun run = runCli(args);
    EXPECT_EQ(run.exitStatus, 2) << run.err;
    EXPECT_NE(run.err.find("panorama-cli stitch [options]"), std::string::npos);
  }
  EXPECT_TRUE(test::fileNames(dir.path()).empty());
}

}  // namespace
}  // namespace skylacer::cli
