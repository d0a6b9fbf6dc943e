// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/intermediate_movie.h"

#include <gtest/gtest.h>

#include <fstream>

#include "movwriter/toolbox/movie_error.h"
#include "tests/support/file_contents.h"
#include "tests/support/temp_dir.h"

namespace skylacer::movwriter {
namespace {

namespace fs = std::filesystem;

TEST(IntermediateMovie, ReplacesTheLastCharacterOfTheFileName) {
  const std::pair<const char*, const char*> cases[] = {{"pano.mov", "pano.mot"},
                                                       {"pano.mot", "pano.mo@"},
                                                       {"/a/b.t/x.MOV", "/a/b.t/x.MOt"},
                                                       {"t", "@"},
                                                       {"dir/movie", "dir/movit"}};
  for (const auto& [output, intermediate] : cases) {
    SCOPED_TRACE(output);
    EXPECT_EQ(intermediateName(output), fs::path(intermediate));
  }
  EXPECT_THROW(intermediateName("folder/"), toolbox::MovieToolboxError);
}

TEST(IntermediateMovie, NeverOverwritesAnExistingFile) {
  test::TempDir dir;
  EXPECT_EQ(createIntermediateMovie(dir / "pano.mov").path(), dir / "pano.mot");
  std::ofstream(dir / "pano.mot-1") << "kept too";
  std::ofstream(dir / "pano.mot", std::ios::trunc) << "the user's";
  EXPECT_EQ(createIntermediateMovie(dir / "pano.mov").path(), dir / "pano.mot-2");
  EXPECT_EQ(test::fileText(dir / "pano.mot"), "the user's");
  EXPECT_EQ(test::fileText(dir / "pano.mot-1"), "kept too");
}

}  // namespace
}  // namespace skylacer::movwriter
