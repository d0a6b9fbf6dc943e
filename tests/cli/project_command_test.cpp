// SPDX-License-Identifier: GPL-3.0-or-later
// panorama-cli project show, run as a program.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "output/project.h"
#include "tests/cli/cli_run.h"
#include "tests/support/file_contents.h"
#include "tests/support/samples.h"
#include "tests/support/temp_dir.h"

namespace skylacer::cli {
namespace {

// A sparse 100 GB file used to abort the reader, which sized a buffer from the file's size;
// it is refused by its size before anything is read.
TEST(ProjectShow, OversizeFileIsRefusedBeforeReading) {
  test::TempDir folder;
  const std::filesystem::path huge = folder / "huge.skl";
  test::writeFile(huge, *output::projectFileBytes({}));
  std::filesystem::resize_file(huge, std::uintmax_t{100} << 30);
  const ProgramRun run = runCli({"project", "show", huge.string()});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.err, "panorama-cli: Failed to read the project file.\n\n" + huge.string() +
                         ": larger than 16 MB, far more than any project\n");
}

TEST(ProjectShow, ListsEachPhotoWithItsRotation) {
  test::TempDir folder;
  const auto photos = test::samplePhotos("trail");
  const std::vector<std::string> paths = {photos[0].string(), photos[1].string()};
  test::writeFile(folder / "p.skl", *output::projectFileBytes(paths, std::vector<int>{0, 3}));
  const ProgramRun run = runCli({"project", "show", (folder / "p.skl").string()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  // Only the turned photo names a rotation, on its own line.
  const std::size_t second = run.out.find("\n2  " + paths[1] + "  ");
  ASSERT_NE(second, std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("  rotation "), run.out.find("  rotation 3\n", second)) << run.out;
}

}  // namespace
}  // namespace skylacer::cli
