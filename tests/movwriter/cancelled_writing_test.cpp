// SPDX-License-Identifier: GPL-3.0-or-later
// A progress function that asks the writer to stop: the writing ends before the next tile, no
// movie is written, a movie the user already had stays as it was, and no scratch file is left.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "movwriter/save_as_qvr.h"
#include "tests/movwriter/test_pictures.h"
#include "tests/support/file_contents.h"
#include "tests/support/temp_dir.h"

namespace skylacer::test {
namespace {

struct StopAt {
  int percent;                // the first report answered with "stop"
  std::vector<int> reported;  // every report received
};

int stopAtPercent(int percent, intptr_t user) {
  auto& stop = *reinterpret_cast<StopAt*>(user);
  stop.reported.push_back(percent);
  return percent >= stop.percent ? 1 : 0;
}

TEST(CancelledWriting, StopsAtTheTileAskedAndKeepsTheOldMovie) {
  TempDir dir;
  writeJpeg(dir / "upright.jpg", patternPicture(96, 480));
  // First and last tile, and one in the middle, while the workers hold the tiles before it.
  for (const int stopPercent : {0, 37, 95}) {
    SCOPED_TRACE("stop at " + std::to_string(stopPercent) + "%");
    writeFile(dir / "pano.mov", "the movie saved before");
    std::ofstream(dir / "tile").put('x');
    StopAt stop{stopPercent, {}};
    const int status =
        saveAsQvr((dir / "pano.mov").c_str(), (dir / "upright.jpg").c_str(), (dir / "tile").c_str(),
                  360, 400, 300, stopAtPercent, reinterpret_cast<intptr_t>(&stop));
    EXPECT_EQ(status, QVR_CANCELLED);
    ASSERT_FALSE(stop.reported.empty());
    EXPECT_GE(stop.reported.back(), stopPercent) << "no report after the one that said stop";
    EXPECT_LT(stop.reported.back() - stopPercent, 100 / 24 + 1);
    EXPECT_EQ(fileText(dir / "pano.mov"), "the movie saved before");
    EXPECT_EQ(fileNames(dir.path()), (std::vector<std::string>{"pano.mov", "upright.jpg"}))
        << "neither the tile movie nor the intermediate movie stays";
  }
}

}  // namespace
}  // namespace skylacer::test
