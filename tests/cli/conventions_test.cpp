// SPDX-License-Identifier: GPL-3.0-or-later
// panorama-cli follows the command-line conventions of the system's own tools: --version, help
// for each command, "--opt=value", "--", bundled short flags, -q, "-" for standard input and
// output, diagnostics on standard error only, and a failed write to standard output failing.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "resources/version.h"
#include "tests/cli/cli_run.h"
#include "tests/support/file_contents.h"
#include "tests/support/samples.h"
#include "tests/support/temp_dir.h"

namespace skylacer::cli {
namespace {

namespace fs = std::filesystem;

std::string trailPhoto(int index) {
  return test::samplePhotos("trail").at(static_cast<std::size_t>(index)).string();
}

// The picture in `bytes` decoded, or a failure naming what was wrong.
::testing::AssertionResult decodesAsJpeg(const std::string& bytes, int width, int height) {
  auto picture = imaging::Bitmap::fromMemory(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(picture->width()) * 3 *
                                   static_cast<std::size_t>(std::max(picture->height(), 0)));
  if (bytes.substr(0, 2) != "\xFF\xD8" || picture->lastStatus() != imaging::ImagingStatus::Ok ||
      picture->readPixels(pixels.data(), picture->width() * 3) != imaging::ImagingStatus::Ok)
    return ::testing::AssertionFailure()
           << "not a JPEG the decoder reads whole (" << bytes.size() << " bytes)";
  if (picture->width() != width || picture->height() != height)
    return ::testing::AssertionFailure()
           << picture->width() << " x " << picture->height() << " pixels";
  return ::testing::AssertionSuccess();
}

// The process's working folder set to `folder` while the object lives.
class WorkingFolder {
 public:
  explicit WorkingFolder(const fs::path& folder) : previous_(fs::current_path()) {
    fs::current_path(folder);
  }
  ~WorkingFolder() { fs::current_path(previous_); }

 private:
  fs::path previous_;
};

TEST(CliConventions, VersionIsTheProgramsVersion) {
  const ProgramRun run = runCli({"--version"});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.out, std::string("panorama-cli ") + kVersion + "\n");
  EXPECT_EQ(run.err, "");
}

// Each command answers --help, -h and "help COMMAND" with its own usage on standard output.
TEST(CliConventions, EveryCommandShowsItsHelp) {
  const std::vector<std::pair<std::string, std::string>> commands = {
      {"stitch", "--stitch-anyway"},
      {"publish", "--html KIND:FILE"},
      {"project", "project show FILE"},
      {"profiles", "profiles import FILE.reg"},
      {"preview", "--height H"}};
  for (const auto& [command, line] : commands) {
    SCOPED_TRACE(command);
    const ProgramRun help = runCli({command, "--help"});
    EXPECT_EQ(help.exitStatus, 0) << help.err;
    EXPECT_NE(help.out.find("panorama-cli " + command), std::string::npos) << help.out;
    EXPECT_NE(help.out.find(line), std::string::npos) << help.out;
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(runCli({command, "-h"}).out, help.out);
    EXPECT_EQ(runCli({"help", command}).out, help.out);
  }
  EXPECT_EQ(runCli({"stitch", "--help"}).out.find("panorama-cli profiles"), std::string::npos)
      << "the help of one command shows that command only";
  const ProgramRun unknown = runCli({"help", "sew"});
  EXPECT_EQ(unknown.exitStatus, 2);
  EXPECT_NE(unknown.err.find("unknown command"), std::string::npos) << unknown.err;
}

// "--opt=value" means what "--opt value" means, for the options of every kind of value.
TEST(CliConventions, OptionValuesMayFollowAnEqualsSign) {
  const test::TempDir dir;
  const ProgramRun stitch =
      runCli({"stitch", trailPhoto(0), "--hfov=60", "--size=200x150", "--quality=90",
              "--cameras=" + (dir / "cameras.json").string(), "--memory-limit=1G",
              "--project=" + (dir / "trail.skl").string(), "-o", (dir / "out.jpg").string()});
  ASSERT_EQ(stitch.exitStatus, 0) << stitch.err;
  EXPECT_TRUE(decodesAsJpeg(test::fileText(dir / "out.jpg"), 200, 150));
  EXPECT_NE(test::fileText(dir / "cameras.json").find("\"focal_px\""), std::string::npos);
  EXPECT_TRUE(fs::exists(dir / "trail.skl"));

  const ProgramRun refused = runCli({"stitch", trailPhoto(0), "--hfov=60", "--memory-limit=1K",
                                     "-o", (dir / "small.jpg").string()});
  EXPECT_EQ(refused.exitStatus, 1) << "the limit given with = must hold";
  EXPECT_FALSE(fs::exists(dir / "small.jpg"));

  const ProgramRun preview =
      runCli({"preview", "--height=64", trailPhoto(0), "-o" + (dir / "strip.jpg").string()});
  ASSERT_EQ(preview.exitStatus, 0) << preview.err;
  EXPECT_TRUE(decodesAsJpeg(test::fileText(dir / "strip.jpg"), 85, 64));

  const ProgramRun badValue = runCli({"stitch", trailPhoto(0), "--quality=high", "-o", "x.jpg"});
  EXPECT_EQ(badValue.exitStatus, 2);
  EXPECT_NE(badValue.err.find("--quality needs a whole number"), std::string::npos);
  const ProgramRun flagValue = runCli({"stitch", "--full360=yes", trailPhoto(0), "-o", "x.jpg"});
  EXPECT_EQ(flagValue.exitStatus, 2);
  EXPECT_NE(flagValue.err.find("--full360 takes no value"), std::string::npos) << flagValue.err;
}

// After "--" every word is a photo, so a photo may be named "-x.jpg"; short flags bundle.
TEST(CliConventions, DoubleDashEndsTheOptionsAndShortFlagsBundle) {
  const test::TempDir dir;
  fs::copy_file(trailPhoto(0), dir / "-x.jpg");
  const WorkingFolder here(dir.path());
  const ProgramRun run = runCli({"stitch", "--hfov", "60", "-qo", "out.jpg", "--", "-x.jpg"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_TRUE(decodesAsJpeg(test::fileText(dir / "out.jpg"), 1024, 768));
  EXPECT_EQ(run.out + run.err, "") << "-q of the bundle -qo";

  const ProgramRun withoutDashes = runCli({"stitch", "--hfov", "60", "-o", "y.jpg", "-x.jpg"});
  EXPECT_EQ(withoutDashes.exitStatus, 2);
  EXPECT_NE(withoutDashes.err.find("unknown option -x"), std::string::npos) << withoutDashes.err;
}

// "-o -" sends the picture alone to standard output, the result line to standard error; a
// photo named "-" is read from standard input.
TEST(CliConventions, DashIsStandardOutputAndInput) {
  const test::TempDir dir;
  const WorkingFolder here(dir.path());
  const ProgramRun stitch = runCli({"stitch", trailPhoto(0), "--hfov", "60", "--size", "320x240",
                                    "--project", "trail.skl", "-o", "-"});
  ASSERT_EQ(stitch.exitStatus, 0) << stitch.err;
  EXPECT_TRUE(decodesAsJpeg(stitch.out, 320, 240));
  EXPECT_NE(stitch.err.find("-: 1024 x 768 pixels"), std::string::npos) << stitch.err;
  EXPECT_NE(stitch.err.find("trail.skl: written"), std::string::npos) << stitch.err;
  EXPECT_FALSE(fs::exists(dir / "-"));

  const ProgramRun preview = runCli({"preview", "--height", "48", trailPhoto(0), "-o", "-"});
  ASSERT_EQ(preview.exitStatus, 0) << preview.err;
  EXPECT_TRUE(decodesAsJpeg(preview.out, 64, 48));

  const ProgramRun fromInput = runCli({"stitch", "-", "--hfov", "60", "-o", "in.jpg"}, {},
                                      {.input = trailPhoto(1), .output = {}});
  ASSERT_EQ(fromInput.exitStatus, 0) << fromInput.err;
  EXPECT_TRUE(decodesAsJpeg(test::fileText(dir / "in.jpg"), 1024, 768));
  const ProgramRun published = runCli({"publish", "-", "--hfov", "60", "--mov", "in.mov"}, {},
                                      {.input = trailPhoto(1), .output = {}});
  ASSERT_EQ(published.exitStatus, 0) << published.err;
  EXPECT_GT(fs::file_size(dir / "in.mov"), 1000u);

  // Not onto a terminal (script gives the program one).
  const std::string onTerminal = "script -qec '" + std::string(PANORAMA_CLI) + " preview " +
                                 trailPhoto(0) + " -o -' /dev/null > terminal.txt";
  EXPECT_EQ(WEXITSTATUS(std::system(onTerminal.c_str())), 1);
  EXPECT_NE(test::fileText(dir / "terminal.txt").find("standard output is a terminal"),
            std::string::npos)
      << test::fileText(dir / "terminal.txt");

  const ProgramRun twice = runCli({"stitch", "-", "-", "-o", "two.jpg"});
  EXPECT_EQ(twice.exitStatus, 2);
  EXPECT_NE(twice.err.find("standard input (-) can be one photo only"), std::string::npos);
}

// -q leaves out the progress and the result lines, never an error.
TEST(CliConventions, QuietShowsOnlyErrors) {
  const CliSandbox dir;
  const ProgramRun stitch =
      runCli({"stitch", "--quiet", trailPhoto(0), trailPhoto(1), "-o", (dir / "out.jpg").string(),
              "--mov", (dir / "out.mov").string()});
  ASSERT_EQ(stitch.exitStatus, 0) << stitch.err;
  EXPECT_EQ(stitch.out, "");
  EXPECT_EQ(stitch.err, "");
  EXPECT_TRUE(fs::exists(dir / "out.jpg"));
  EXPECT_TRUE(fs::exists(dir / "out.mov"));

  const ProgramRun exported = runCli({"profiles", "-q", "export", (dir / "p.reg").string()});
  ASSERT_EQ(exported.exitStatus, 0) << exported.err;
  EXPECT_EQ(exported.out + exported.err, "");
  EXPECT_TRUE(fs::exists(dir / "p.reg"));

  const ProgramRun failed =
      runCli({"stitch", "-q", (dir / "missing.jpg").string(), "--hfov", "60", "-o", "x.jpg"});
  EXPECT_EQ(failed.exitStatus, 1);
  EXPECT_NE(failed.err.find("missing.jpg"), std::string::npos) << failed.err;
}

// Standard output holds results only: the -v trace and every message go to standard error.
TEST(CliConventions, DiagnosticsAndTraceGoToStandardErrorOnly) {
  const test::TempDir dir;
  const fs::path out = dir / "pair.jpg";
  // Photos that share too little detail take the refinement that traces its steps.
  const ProgramRun run =
      runCli({"stitch", "-v", "--stitch-anyway", trailPhoto(0), trailPhoto(4), "-o", out.string()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.err.find("al = "), std::string::npos) << "the trace of -v";
  EXPECT_EQ(run.out.find("al = "), std::string::npos);
  EXPECT_EQ(run.out.rfind(out.string() + ": ", 0), 0u) << run.out;
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;

  for (const std::vector<std::string>& misuse : {std::vector<std::string>{"stitch", "--quality"},
                                                 {"publish", "--mov"},
                                                 {"sew"},
                                                 {"profiles", "--frobnicate", "list"},
                                                 {"project", "show"}}) {
    const ProgramRun failed = runCli(misuse);
    EXPECT_EQ(failed.exitStatus, 2) << misuse[0];
    EXPECT_EQ(failed.out, "") << misuse[0];
    EXPECT_NE(failed.err.find("panorama-cli: "), std::string::npos) << misuse[0];
  }
}

// What cannot be written to standard output fails the command, with the reason on standard
// error.
TEST(CliConventions, AFailedWriteToStandardOutputFails) {
  const test::TempDir dir;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--help"},
        {"--version"},
        {"stitch", "--help"},
        {"stitch", trailPhoto(0), "--hfov", "60", "-o", "-"},
        {"stitch", trailPhoto(0), "--hfov", "60", "-o", (dir / "out.jpg").string()}}) {
    SCOPED_TRACE(args.front() + " " + args.back());
    const ProgramRun run = runCli(args, {}, {.input = {}, .output = "/dev/full"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("cannot write to standard output: no space left on device"),
              std::string::npos)
        << run.err;
  }
}

}  // namespace
}  // namespace skylacer::cli
