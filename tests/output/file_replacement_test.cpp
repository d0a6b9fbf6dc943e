// SPDX-License-Identifier: GPL-3.0-or-later
// Every output replaces its file in one step: a failure keeps the old file and says why.

#include "output/file_replacement.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <thread>

#include "output/image.h"
#include "tests/output/test_panorama.h"
#include "tests/support/ended_process.h"
#include "tests/support/file_contents.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/temp_dir.h"

namespace skylacer::output {
namespace {

namespace fs = std::filesystem;
using imaging::ImagingStatus;

TEST(FileReplacement, AFailedWriteKeepsTheOldFileAndNamesTheFileAndTheReason) {
  const test::TempDir dir;
  const fs::path picture = dir / "j.jpg";
  test::writeFile(picture, "the old picture");
  const test::TestPanorama panorama = test::gradientPanorama({640, 320});
  std::string failure;
  {
    const test::FileSizeLimit limit(1000);
    EXPECT_EQ(writeJpeg(picture.string(), panorama.pixels.data(), {640, 320}, 0, {640, 320}, 90,
                        &failure),
              ImagingStatus::Win32Error);
  }
  EXPECT_EQ(failure, "cannot write " + picture.string() + ": file too large");
  EXPECT_EQ(test::fileText(picture), "the old picture");
  EXPECT_EQ(test::fileNames(dir.path()), std::vector<std::string>{"j.jpg"});

  // Slices fail alike, each keeping its old file.
  test::writeFile(dir / "s1.jpg", "old slice");
  {
    const test::FileSizeLimit limit(1000);
    EXPECT_EQ(writeSlices({(dir / "s").string(), ".jpg"}, panorama.pixels.data(), {640, 320}, 0,
                          {640, 320}, 128, 90, &failure),
              ImagingStatus::Win32Error);
  }
  EXPECT_EQ(failure, "cannot write " + (dir / "s1.jpg").string() + ": file too large");
  EXPECT_EQ(test::fileText(dir / "s1.jpg"), "old slice");
  EXPECT_EQ(test::fileNames(dir.path()), (std::vector<std::string>{"j.jpg", "s1.jpg"}));
}

TEST(FileReplacement, AMissingFolderIsNamed) {
  const test::TempDir dir;
  std::string failure;
  EXPECT_FALSE(FileReplacement::create(dir / "out" / "j.jpg", FileKind::Document, &failure));
  EXPECT_EQ(failure, "folder " + (dir / "out").string() + "/ does not exist");
  EXPECT_FALSE(FileReplacement::create(dir.path(), FileKind::Document, &failure));
}

TEST(FileReplacement, KeepsTheReplacedFilesPermissionsAndALinkToIt) {
  const test::TempDir dir;
  test::writeFile(dir / "real.reg", "old");
  fs::permissions(dir / "real.reg", fs::perms(0640));
  fs::create_symlink("real.reg", dir / "link.reg");
  const auto file = FileReplacement::create(dir / "link.reg", FileKind::Document);
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->write("new"));
  ASSERT_TRUE(file->commit());
  EXPECT_TRUE(fs::is_symlink(dir / "link.reg"));
  EXPECT_EQ(test::fileText(dir / "real.reg"), "new");
  EXPECT_EQ(fs::status(dir / "real.reg").permissions(), fs::perms(0640));
}

TEST(FileReplacement, DevicesAndPipesAreWrittenDirectlyAndNeverReplaced) {
  const test::TempDir dir;
  const fs::path pipe = dir / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] {
    std::ifstream in(pipe, std::ios::binary);
    received.assign(std::istreambuf_iterator<char>(in), {});
  });
  {
    const auto file = FileReplacement::create(pipe, FileKind::Document);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->writePath(), pipe);
    EXPECT_TRUE(file->write("through the pipe"));
    EXPECT_TRUE(file->commit());
  }
  reader.join();
  EXPECT_EQ(received, "through the pipe");
  EXPECT_TRUE(fs::is_fifo(pipe));

  const auto null = FileReplacement::create("/dev/null", FileKind::Document);
  ASSERT_TRUE(null);
  EXPECT_TRUE(null->write("discarded") && null->commit());
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST(FileReplacement, ScratchFilesOfEndedProcessesAreRemovedByTheNextWrite) {
  const test::TempDir dir;
  const std::string ended = ".j.jpg." + std::to_string(test::endedProcessId()) + ".0.part";
  const std::string running = ".j.jpg." + std::to_string(::getppid()) + ".0.part";
  for (const std::string& name : {ended, running, std::string(".k.jpg.1.0.part")})
    test::writeFile(dir / name, "scratch");
  const auto file = FileReplacement::create(dir / "j.jpg", FileKind::Document);
  ASSERT_TRUE(file);
  const std::string own = file->writePath().filename().string();
  EXPECT_TRUE(own.starts_with(".j.jpg." + std::to_string(::getpid()) + ".")) << own;
  EXPECT_FALSE(fs::exists(dir / ended));
  EXPECT_TRUE(fs::exists(dir / running));
  EXPECT_TRUE(fs::exists(dir / ".k.jpg.1.0.part"));
}

TEST(FileReplacement, EndingSignalsRemoveTheScratchFile) {
  for (const int signalNumber : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(signalNumber);
    const test::TempDir dir;
    const pid_t child = ::fork();
    if (child == 0) {
      const auto file = FileReplacement::create(dir / "j.jpg", FileKind::Document);
      if (!file || !file->write("half a picture")) ::_exit(2);
      ::raise(signalNumber);
      ::_exit(3);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signalNumber);
    EXPECT_TRUE(test::fileNames(dir.path()).empty());
  }
}

}  // namespace
}  // namespace skylacer::output
