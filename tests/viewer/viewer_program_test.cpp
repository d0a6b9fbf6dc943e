// SPDX-License-Identifier: GPL-3.0-or-later
// The built viewer program as the main program ships it ("viewer.dat").

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
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
constexpr bool kSanitizedBuild = SKYLACER_SANITIZED_BUILD;

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

// The libraries the program names itself: the C library alone (libjpeg-turbo and the C++
// runtime are linked in; libX11 and libGL are loaded once it runs). What it loads at run time
// is checked on the running program (viewer_controls.py).
TEST(ViewerProgram, NeedsOnlyTheCLibraryToStart) {
  const test::CommandResult dynamic = test::run("readelf -d " + test::quoted(kViewerDat));
  ASSERT_EQ(dynamic.exitCode, 0) << dynamic.output;
  const std::set<std::string> allowed{"libc.so.6", "libm.so.6", "ld-linux-x86-64.so.2"};
  std::set<std::string> needed;
  for (const std::string& line : test::lines(dynamic.output)) {
    if (line.find("(NEEDED)") == std::string::npos) continue;
    const auto open = line.find('[');
    needed.insert(line.substr(open + 1, line.find(']') - open - 1));
  }
  EXPECT_TRUE(needed.contains("libc.so.6"));
  for (const std::string& library : needed) {
    // The sanitizer build's own runtimes come on top.
    const bool sanitizer = kSanitizedBuild && (library.starts_with("libasan.so") ||
                                               library.starts_with("libubsan.so"));
    EXPECT_TRUE(allowed.contains(library) || sanitizer) << library;
  }

  // Every symbol the program takes from the C library exists in Debian 12's glibc (2.36).
  const test::CommandResult symbols = test::run("objdump -T " + test::quoted(kViewerDat));
  ASSERT_EQ(symbols.exitCode, 0) << symbols.output;
  for (const std::string& line : test::lines(symbols.output)) {
    const auto at = line.find("GLIBC_2.");
    if (at == std::string::npos) continue;
    const int minor = std::atoi(line.c_str() + at + 8);
    EXPECT_LE(minor, 36) << line;
  }
}

// A machine whose libX11 or libGL cannot be loaded: the viewer starts all the same, names the
// library, the loader's reason and the package to install, and ends with a failure code. Each
// library is made unloadable by an empty file of its name ahead of the system's copy.
TEST(ViewerProgram, NamesALibraryThatCannotBeLoaded) {
  const struct {
    const char* file;
    const char* what;
    const char* package;
  } cases[] = {{"libX11.so.6", "the X11 client library", "libx11-6"},
               {"libGL.so.1", "OpenGL", "libgl1"}};
  for (const auto& library : cases) {
    SCOPED_TRACE(library.file);
    const test::TempDir dir;
    test::writeFile(dir / library.file, "");
    // No display: nothing is shown on a desktop.
    const test::CommandResult started =
        test::run("env -u DISPLAY -u WAYLAND_DISPLAY LD_LIBRARY_PATH=" + test::quoted(dir.path()) +
                  " " + test::quoted(kViewerDat) + " picture.jpg");
    EXPECT_EQ(started.exitCode, 1) << started.output;
    const std::string expected = std::string("Oskelvind Panorama Viewer cannot start: it needs ") +
                                 library.what + " (" + library.file + ")";
    EXPECT_NE(started.output.find(expected), std::string::npos) << started.output;
    EXPECT_NE(started.output.find((dir / library.file).string() + ": file too short"),
              std::string::npos)
        << started.output;
    EXPECT_NE(started.output.find(std::string("the package ") + library.package), std::string::npos)
        << started.output;
  }
}

}  // namespace
}  // namespace skylacer::viewer
