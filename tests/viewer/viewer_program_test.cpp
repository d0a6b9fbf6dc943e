// The built viewer program as the main program ships it ("viewer.dat").

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/command.h"
#include "tests/support/file_contents.h"
#include "tests/support/temp_dir.h"
#include "viewer/panorama_block.h"

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

TEST(ViewerProgram, HoldsTheMagicExactlyOnceAlsoWhenStripped) {
  const Bytes program = test::fileBytes(kViewerDat);
  ASSERT_GT(program.size(), 10000u);
  EXPECT_EQ(magicCount(program), 1);
  const test::TempDir dir;
  const auto stripped = dir / "stripped.dat";
  const test::CommandResult strip =
      test::run("strip -o " + test::quoted(stripped) + " " + test::quoted(kViewerDat));
  ASSERT_EQ(strip.exitCode, 0) << strip.output;
  const Bytes strippedProgram = test::fileBytes(stripped);
  EXPECT_LT(strippedProgram.size(), program.size());
  EXPECT_EQ(magicCount(strippedProgram), 1);
}

TEST(ViewerProgram, NeedsNothingButSystemLibraries) {
  const test::CommandResult libraries = test::run("ldd " + test::quoted(kViewerDat));
  ASSERT_EQ(libraries.exitCode, 0) << libraries.output;
  int resolved = 0;
  for (const std::string& line : test::lines(libraries.output)) {
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
