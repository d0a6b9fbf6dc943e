// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/auxv.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/shell/large_buffers.h"
#include "platform/shell/program_folder.h"
#include "platform/shell/program_launch.h"
#include "platform/shell/temporary_files.h"
#include "tests/support/file_contents.h"
#include "tests/support/scoped_env.h"
#include "tests/support/temp_dir.h"

namespace skylacer::shell {
namespace {

using test::ScopedEnv;
using test::TempDir;

// An executable /bin/sh script at `file` with the given body.
void writeScript(const std::filesystem::path& file, const std::string& body) {
  std::ofstream(file) << "#!/bin/sh\n" << body << "\n";
  std::filesystem::permissions(file, std::filesystem::perms::owner_all);
}

// Polls for up to ten seconds until `file` holds exactly `expected`.
testing::AssertionResult eventuallyHolds(const std::filesystem::path& file,
                                         const std::string& expected) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  std::string text;
  while (std::chrono::steady_clock::now() < deadline) {
    text = test::fileText(file);
    if (text == expected) return testing::AssertionSuccess();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return testing::AssertionFailure()
         << file << " holds \"" << text << "\", not \"" << expected << "\"";
}

// The pages this process touches for the first time while `bytes` are allocated, written and
// freed.
long firstTouchesOfABuffer(std::size_t bytes) {
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  char* buffer = static_cast<char*>(std::malloc(bytes));
  std::memset(buffer, 1, bytes);
  asm volatile("" : : "r"(buffer) : "memory");
  std::free(buffer);
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  return after.ru_minflt - before.ru_minflt;
}

// A photograph's file bytes or reduced copy (a few MB) come back from the heap already touched
// once a buffer of that size was freed there; a photograph (36 MB) is its own mapping, given
// back when freed. A buffer made after the first one stays, so that the heap's end does not
// move (1 MiB: no freed space below can hold it); then the heap's end itself.
TEST(LargeBuffers, SmallerOnesAreReusedAndPhotoSizedOnesGivenBack) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer's allocator does not follow the C library's settings";
#endif
  returnLargeBuffersWhenFreed();
  for (const std::size_t bytes : {std::size_t{3} << 20, std::size_t{36} << 20}) {
    char* first = static_cast<char*>(std::malloc(bytes));
    std::memset(first, 1, bytes);
    char* after = static_cast<char*>(std::malloc(std::size_t{1} << 20));
    asm volatile("" : : "r"(first), "r"(after) : "memory");
    std::free(first);
    const long touches = firstTouchesOfABuffer(bytes);
    std::free(after);
    if (bytes < std::size_t{4} << 20)
      EXPECT_LT(touches, 64);
    else
      EXPECT_GT(touches, 8000);
  }
  // Freed at the heap's end, such a buffer stays there for the next photograph too.
  char* last = static_cast<char*>(std::malloc(std::size_t{3} << 20));
  std::memset(last, 1, std::size_t{3} << 20);
  asm volatile("" : : "r"(last) : "memory");
  std::free(last);
  EXPECT_LT(firstTouchesOfABuffer(std::size_t{3} << 20), 64);
}

TEST(ProgramFolder, IsTheFolderOfTheRunningBinary) {
  const auto* executed = reinterpret_cast<const char*>(::getauxval(AT_EXECFN));
  ASSERT_NE(executed, nullptr);
  const std::filesystem::path folder = programFolder();
  EXPECT_TRUE(folder.is_absolute());
  EXPECT_EQ(folder, std::filesystem::canonical(executed).parent_path());
}

TEST(TemporaryFolder, HonoursTmpdirAndFallsBackToTmp) {
  TempDir dir;
  for (const std::string& tmpdirValue : {dir.path().string(), dir.path().string() + "//"}) {
    SCOPED_TRACE(tmpdirValue);
    const ScopedEnv tmpdir("TMPDIR", tmpdirValue.c_str());
    EXPECT_EQ(temporaryFolder(), dir.path());
  }
  for (const char* unset : {static_cast<const char*>(nullptr), ""}) {
    SCOPED_TRACE(unset == nullptr ? "unset" : "empty");
    const ScopedEnv tmpdir("TMPDIR", unset);
    EXPECT_EQ(temporaryFolder(), "/tmp");
  }
}

TEST(TemporaryFiles, AreCreatedInTheTemporaryFolderWithThePrefixAndUniqueNames) {
  TempDir dir;
  const ScopedEnv tmpdir("TMPDIR", dir.path().c_str());
  std::set<std::filesystem::path> names;
  for (int i = 0; i < 100; ++i) {
    SCOPED_TRACE(i);
    const std::optional<std::filesystem::path> name = createTemporaryFile("thm");
    ASSERT_TRUE(name);
    EXPECT_TRUE(std::filesystem::is_regular_file(*name));
    EXPECT_EQ(std::filesystem::file_size(*name), 0u);
    EXPECT_TRUE(std::filesystem::equivalent(name->parent_path(), dir.path()));
    EXPECT_TRUE(name->filename().string().starts_with("thm"));
    names.insert(*name);
  }
  EXPECT_EQ(names.size(), 100u);
}

TEST(TemporaryFiles, ConcurrentCallersNeverShareAName) {
  TempDir dir;
  const ScopedEnv tmpdir("TMPDIR", dir.path().c_str());
  constexpr int kPerCaller = 300;
  std::vector<std::filesystem::path> first, second;
  const auto create = [](std::vector<std::filesystem::path>& names) {
    for (int i = 0; i < kPerCaller; ++i) {
      if (std::optional<std::filesystem::path> name = createTemporaryFile("pan"))
        names.push_back(*name);
    }
  };
  std::thread other(create, std::ref(first));
  create(second);
  other.join();
  ASSERT_EQ(first.size(), static_cast<std::size_t>(kPerCaller));
  ASSERT_EQ(second.size(), static_cast<std::size_t>(kPerCaller));
  std::set<std::filesystem::path> names(first.begin(), first.end());
  names.insert(second.begin(), second.end());
  EXPECT_EQ(names.size(), 2u * kPerCaller);
}

TEST(TemporaryFiles, RefusesPrefixesWithSeparatorsAndMissingFolders) {
  TempDir dir;
  const ScopedEnv tmpdir("TMPDIR", dir.path().c_str());
  EXPECT_FALSE(createTemporaryFile("../escape"));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

  const ScopedEnv missing("TMPDIR", (dir / "missing").c_str());
  EXPECT_FALSE(createTemporaryFile("tile"));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(StartDetached, RunsTheProgramWithEachArgumentIntact) {
  TempDir dir;
  writeScript(dir / "record.sh", "printf '%s|' \"$@\" > \"" + (dir / "marker").string() + "\"");
  ASSERT_TRUE(
      startDetached((dir / "record.sh").string(), {"one", "two words", "quote\"d $HOME", ""}));
  EXPECT_TRUE(eventuallyHolds(dir / "marker", "one|two words|quote\"d $HOME||"));
}

TEST(StartDetached, ReportsAProgramThatCannotBeStarted) {
  TempDir dir;
  std::ofstream(dir / "not-executable") << "#!/bin/sh\n";
  EXPECT_FALSE(startDetached((dir / "missing-program").string(), {}));
  EXPECT_FALSE(startDetached("skylacer-no-such-program-on-path", {"x"}));
  EXPECT_FALSE(startDetached((dir / "not-executable").string(), {}));
}

TEST(OpenWithAssociatedProgram, HandsTheTargetToXdgOpenFoundInPath) {
  TempDir dir;
  std::filesystem::create_directory(dir / "bin");
  writeScript(dir / "bin" / "xdg-open",
              "printf '%s' \"$1\" > \"" + (dir / "record").string() + "\"");
  const char* path = std::getenv("PATH");
  const std::string searchPath =
      (dir / "bin").string() + (path != nullptr ? ":" + std::string(path) : "");
  const ScopedEnv pathOverride("PATH", searchPath.c_str());

  const std::string page = (dir / "My Panorama.html").string();
  ASSERT_TRUE(openWithAssociatedProgram(page));
  EXPECT_TRUE(eventuallyHolds(dir / "record", page));
}

TEST(OpenWithAssociatedProgram, ReportsFailureWithoutXdgOpen) {
  TempDir dir;
  const ScopedEnv pathOverride("PATH", dir.path().c_str());
  EXPECT_FALSE(openWithAssociatedProgram("https://example.org/"));
}

}  // namespace
}  // namespace skylacer::shell
