// SPDX-License-Identifier: GPL-3.0-or-later
// Scratch files carry their process id, so a later run removes those of processes that are gone.

#include "platform/shell/scratch_files.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "platform/shell/temporary_files.h"
#include "tests/support/ended_process.h"
#include "tests/support/file_contents.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace skylacer::shell {
namespace {

TEST(ScratchFiles, TemporaryFilesAndFoldersOfEndedProcessesGoWhenTheNextOfTheirKindIsMade) {
  const test::TempDir dir;
  const test::ScopedEnv tmpdir("TMPDIR", dir.path().c_str());
  const std::string ended = std::to_string(test::endedProcessId());
  const std::string running = std::to_string(::getppid());
  for (const std::string& name :
       {"pan." + ended + ".abc123.jpg", "pan." + running + ".abc123", "tile." + ended + ".abc123",
        std::string("pan.x.abc123"), std::string("panorama.jpg")})
    test::writeFile(dir / name, "");

  std::filesystem::create_directory(dir / ("pan." + ended + ".slices"));
  test::writeFile(dir / ("pan." + ended + ".slices") / "slice1.jpg", "");

  const std::optional<std::filesystem::path> made = createTemporaryFile("pan");
  ASSERT_TRUE(made);
  EXPECT_TRUE(made->filename().string().starts_with(scratchNamePrefix("pan"))) << made->filename();
  const std::optional<std::filesystem::path> folder = createTemporaryFolder("pan");
  ASSERT_TRUE(folder);
  EXPECT_TRUE(std::filesystem::is_directory(*folder));
  std::vector<std::string> expected = {"pan." + running + ".abc123",
                                       made->filename().string(),
                                       folder->filename().string(),
                                       "pan.x.abc123",
                                       "panorama.jpg",
                                       "tile." + ended + ".abc123"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(test::fileNames(dir.path()), expected);
}

TEST(ScratchFiles, AHeldFileIsRemovedWithItsObject) {
  const test::TempDir dir;
  {
    const ScratchFile scratch(dir / "exe.1.x");
    test::writeFile(scratch.path(), "picture");
  }
  EXPECT_TRUE(test::fileNames(dir.path()).empty());
}

}  // namespace
}  // namespace skylacer::shell
