// The built viewer program as the main program ships it ("viewer.dat").

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/file_contents.h"
#include "tests/support/temp_dir.h"
#include "viewer/panorama_block.h"
#include "viewer/panorama_source.h"

namespace skylacer::viewer {
namespace {

using Bytes = std::vector<std::uint8_t>;

const std::filesystem::path kViewerDat = SKYLACER_VIEWER_DAT;

int magicCount(const Bytes& file) {
  int count = 0;
  auto from = file.begin();
  while ((from = std::search(from, file.end(), kPanoramaMagic.begin(), kPanoramaMagic.end())) !=
         file.end()) {
    ++count;
    ++from;
  }
  return count;
}

// Standard output of a shell command; fails the test when it does not exit with 0.
std::string commandOutput(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) {
    ADD_FAILURE() << "cannot run " << command;
    return {};
  }
  std::string output;
  char buffer[4096];
  while (const std::size_t read = std::fread(buffer, 1, sizeof buffer, pipe.get()))
    output.append(buffer, read);
  const int status = pclose(pipe.release());
  EXPECT_EQ(status, 0) << command;
  return output;
}

TEST(ViewerProgram, HoldsTheMagicExactlyOnceAlsoWhenStripped) {
  const Bytes program = test::fileBytes(kViewerDat);
  ASSERT_GT(program.size(), 10000u);
  EXPECT_EQ(magicCount(program), 1);
  const test::TempDir dir;
  const auto stripped = dir / "stripped.dat";
  commandOutput("strip -o '" + stripped.string() + "' '" + kViewerDat.string() + "'");
  const Bytes strippedProgram = test::fileBytes(stripped);
  EXPECT_LT(strippedProgram.size(), program.size());
  EXPECT_EQ(magicCount(strippedProgram), 1);
}

TEST(ViewerProgram, FindsNoBlockInItselfAndTheBlockAppendedToIt) {
  Bytes program = test::fileBytes(kViewerDat);
  EXPECT_FALSE(findPanoramaBlock(program));
  const std::size_t programSize = program.size();
  const auto header = panoramaBlockHeader(1.5);
  program.insert(program.end(), header.begin(), header.end());
  program.insert(program.end(), {0xFF, 0xD8, 0xFF});
  const auto block = findPanoramaBlock(program);
  ASSERT_TRUE(block);
  EXPECT_EQ(block->pictureOffset, programSize + kBlockHeaderSize);
  EXPECT_EQ(block->fieldOfView, 1.5);
}

TEST(ViewerProgram, NeedsNothingButSystemLibraries) {
  const std::string libraries = commandOutput("ldd '" + kViewerDat.string() + "'");
  std::istringstream lines(libraries);
  std::string line;
  int resolved = 0;
  while (std::getline(lines, line)) {
    SCOPED_TRACE(line);
    EXPECT_EQ(line.find("not found"), std::string::npos);
    const auto arrow = line.find("=> /");
    if (arrow == std::string::npos) continue;
    const std::string path = line.substr(arrow + 3, line.find(' ', arrow + 3) - arrow - 3);
    ++resolved;
    EXPECT_TRUE(path.starts_with("/lib/") || path.starts_with("/usr/lib/") ||
                path.starts_with("/lib64/") || path.starts_with("/usr/lib64/"));
  }
  EXPECT_GT(resolved, 0);
}

}  // namespace
}  // namespace skylacer::viewer
