// SPDX-License-Identifier: GPL-3.0-or-later
// panorama-cli never overwrites what it reads, never leaves a broken output, and says which file
// failed and why.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/cli_run.h"
#include "tests/support/command.h"
#include "tests/support/file_contents.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/samples.h"
#include "tests/support/synth_imaging.h"
#include "tests/support/temp_dir.h"

namespace skylacer::cli {
namespace {

namespace fs = std::filesystem;

std::string samplePhoto(int index) {
  return test::samplePhotos("trail").at(static_cast<std::size_t>(index)).string();
}

std::vector<std::string> singlePhotoStitch(const fs::path& out,
                                           std::vector<std::string> more = {}) {
  std::vector<std::string> args = {"stitch", samplePhoto(0), "--hfov", "60", "-o", out.string()};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(FileSafety, OutputsThatWouldOverwriteAnInputOrEachOtherAreRefused) {
  const test::TempDir dir;
  const fs::path a = dir / "a.jpg";
  const fs::path b = dir / "b.jpg";
  fs::copy_file(samplePhoto(0), a);
  fs::copy_file(samplePhoto(1), b);
  const std::string photoBytes = test::fileText(a);
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"stitch", a.string(), b.string(), "-o", a.string()},
       "cannot write " + a.string() + " (-o): it is the input " + a.string()},
      {{"stitch", a.string(), b.string(), "-o", (dir / "p.jpg").string(), "--cameras",
        (dir / "p.jpg").string()},
       "cannot write " + (dir / "p.jpg").string() + " (--cameras): -o writes it too"},
      {{"stitch", a.string(), b.string(), "-o", (dir / "p.jpg").string(), "--project",
        (dir / "." / "b.jpg").string()},
       "(--project): it is the input " + b.string()},
      {{"publish", a.string(), "--hfov", "90", "--html", "java:" + (dir / "a.html").string()},
       "cannot write " + a.string() + " (the page of --html " + (dir / "a.html").string() +
           "): it is the input " + a.string()},
      {{"preview", a.string(), b.string(), "-o", b.string()}, "it is the input " + b.string()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const ProgramRun run = runCli(c.args);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
  EXPECT_EQ(test::fileText(a), photoBytes);
  EXPECT_EQ(test::fileNames(dir.path()), (std::vector<std::string>{"a.jpg", "b.jpg"}));
}

TEST(FileSafety, EveryOutputKindIntoAMissingFolderIsRefusedBeforeAnyWork) {
  const test::TempDir dir;
  const std::string missing = (dir / "out").string();
  const std::string target = missing + "/x";
  const std::string ok = (dir / "ok.jpg").string();
  const std::string picture = samplePhoto(0);
  const std::vector<std::vector<std::string>> runs = {
      singlePhotoStitch(target + ".jpg"),
      singlePhotoStitch(ok, {"--cameras", target + ".json"}),
      singlePhotoStitch(ok, {"--mov", target + ".mov"}),
      singlePhotoStitch(ok, {"--exe", target}),
      singlePhotoStitch(ok, {"--project", target + ".skl"}),
      {"publish", picture, "--hfov", "60", "--html", "flash:" + target + ".html"},
      {"publish", picture, "--hfov", "60", "--html", "qtvr:" + target + ".html"},
      {"publish", picture, "--hfov", "60", "--html", "java:" + target + ".html"},
      {"publish", picture, "--hfov", "60", "--mov", target + ".mov"},
      {"preview", picture, "-o", target + ".jpg"},
      {"profiles", "export", target + ".reg"},
  };
  for (const std::vector<std::string>& args : runs) {
    SCOPED_TRACE(args.back());
    const ProgramRun run = runCli(args);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("folder " + missing + "/ does not exist"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Loading"), std::string::npos) << run.err;
  }
  EXPECT_TRUE(test::fileNames(dir.path()).empty());
}

TEST(FileSafety, AFailedWriteNamesTheFileAndTheReasonAndKeepsTheOldFile) {
  const test::TempDir dir;
  const fs::path out = dir / "j.jpg";
  const fs::path reg = dir / "p.reg";
  test::writeFile(out, "the old panorama");
  test::writeFile(reg, "the old profiles");
  ProgramRun stitched;
  ProgramRun page;
  ProgramRun exported;
  {
    const test::FileSizeLimit limit(2000);
    stitched = runCli(singlePhotoStitch(out));
    page = runCli(
        {"publish", samplePhoto(0), "--hfov", "60", "--html", "java:" + (dir / "j.html").string()});
  }
  {
    const test::FileSizeLimit limit(200);
    const CliSandbox sandbox;
    exported = runCli({"profiles", "export", reg.string()});
  }
  const std::string tooLarge = "cannot write " + out.string() + ": file too large";
  EXPECT_EQ(stitched.exitStatus, 1);
  EXPECT_NE(stitched.err.find(tooLarge), std::string::npos) << stitched.err;
  EXPECT_EQ(page.exitStatus, 1);
  // The system's own message, then the file and the reason.
  EXPECT_NE(page.err.find("Failed to save the image.      \n\nError code: 7\n\n" + tooLarge),
            std::string::npos)
      << page.err;
  EXPECT_EQ(exported.exitStatus, 1);
  EXPECT_NE(exported.err.find("cannot write " + reg.string() + ": file too large"),
            std::string::npos)
      << exported.err;
  EXPECT_EQ(test::fileText(out), "the old panorama");
  EXPECT_EQ(test::fileText(reg), "the old profiles");
  EXPECT_EQ(test::fileNames(dir.path()), (std::vector<std::string>{"j.jpg", "p.reg"}));
}

TEST(FileSafety, StandardOutputIsWrittenThroughNotReplaced) {
  const ProgramRun run = runCli(singlePhotoStitch("/dev/stdout"));
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_TRUE(run.out.starts_with("\xFF\xD8\xFF")) << run.out.substr(0, 40);
  EXPECT_TRUE(fs::is_symlink("/dev/stdout"));

  // Standard output sent to a file: the picture goes through the shell's descriptor, and the
  // line printed after it follows it instead of overwriting its start.
  const test::TempDir dir;
  const fs::path file = dir / "out.jpg";
  std::string command = test::quoted(PANORAMA_CLI);
  for (const std::string& word : singlePhotoStitch("/dev/stdout"))
    command += " " + test::quoted(word);
  // Only standard output goes to the file; the progress lines on standard error stay out of it.
  const test::CommandResult redirected =
      test::run("(" + command + " > " + test::quoted(file) + ")");
  ASSERT_EQ(redirected.exitCode, 0) << redirected.output;
  const std::string bytes = test::fileText(file);
  EXPECT_TRUE(bytes.starts_with("\xFF\xD8\xFF")) << bytes.substr(0, 40);
  EXPECT_TRUE(bytes.ends_with("horizontal field of view 60.00 degrees\n"));
  EXPECT_EQ(test::fileNames(dir.path()), std::vector<std::string>{"out.jpg"});
}

TEST(FileSafety, PhotosClaimingMoreMemoryThanTheLimitAreRefusedUnread) {
  const test::TempDir dir;
  test::writeDecompressionBomb(dir / "bomb.jpg", 23000);
  // A hundred photos of 23000 x 23000 pixels are past three quarters of any machine's memory.
  std::vector<std::string> stitch = {"stitch", "-o", (dir / "out.jpg").string()};
  stitch.insert(stitch.end(), 100, (dir / "bomb.jpg").string());
  const ProgramRun refused = runCli(stitch);
  EXPECT_EQ(refused.exitStatus, 1);
  EXPECT_NE(refused.err.find("the photos need about "), std::string::npos) << refused.err;
  EXPECT_EQ(refused.err.find("Loading"), std::string::npos) << refused.err;

  // The option sets the limit: two such photos pass the machine's but not 4 GiB.
  const ProgramRun limited =
      runCli({"stitch", (dir / "bomb.jpg").string(), (dir / "bomb.jpg").string(), "-o",
              (dir / "out.jpg").string(), "--memory-limit", "4G"});
  EXPECT_EQ(limited.exitStatus, 1);
  EXPECT_NE(limited.err.find("more than the limit of 4.3 GB (--memory-limit raises it)"),
            std::string::npos)
      << limited.err;
  EXPECT_EQ(test::fileNames(dir.path()), std::vector<std::string>{"bomb.jpg"});
}

}  // namespace
}  // namespace skylacer::cli
