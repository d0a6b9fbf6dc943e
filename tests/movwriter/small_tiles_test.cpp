// SPDX-License-Identifier: GPL-3.0-or-later
// Movies of the smallest panoramas the program lets through (96 wide, 4 high, and a little more):
// tiles 4 to 16 rows tall, where the encoder has room for fewer strips than it uses on larger
// tiles. FFmpeg must read every tile back, and the writer must leave no scratch file.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "movwriter/save_as_qvr.h"
#include "tests/movwriter/test_pictures.h"
#include "tests/support/command.h"
#include "tests/support/file_contents.h"
#include "tests/support/temp_dir.h"

namespace skylacer::test {
namespace {

namespace fs = std::filesystem;

struct TileSize {
  int width;   // the upright picture's width: the panorama's height
  int height;  // rows per tile: the panorama's width / 24
};

class SmallTiles : public testing::TestWithParam<TileSize> {};

TEST_P(SmallTiles, FfmpegDecodesEveryTileOfTheWrittenMovie) {
  const TileSize tile = GetParam();
  TempDir dir;
  const BgrPicture upright = patternPicture(tile.width, 24 * tile.height);
  writeJpeg(dir / "upright.jpg", upright);
  const fs::path movie = dir / "pano.mov";
  ASSERT_EQ(saveAsQvr(movie.c_str(), (dir / "upright.jpg").c_str(), (dir / "tile").c_str(), 180,
                      400, 300, nullptr, 0),
            0);
  EXPECT_EQ(fileNames(dir.path()), (std::vector<std::string>{"pano.mov", "upright.jpg"}));

  const fs::path raw = dir / "tiles.bgr";
  const CommandResult decode =
      run("ffmpeg -v error -i " + quoted(movie) +
          " -map 0:v:0 -fps_mode passthrough -f rawvideo -pix_fmt bgr24 " + quoted(raw));
  ASSERT_EQ(decode.exitCode, 0) << decode.output;
  // The 24 tiles stacked top to bottom are the upright picture again.
  const BgrPicture stacked{tile.width, 24 * tile.height, fileBytes(raw)};
  ASSERT_EQ(stacked.pixels.size(), upright.pixels.size()) << "24 frames of the tile's size";
  const double decibels = psnr(stacked, upright);
  RecordProperty("psnr_db", std::to_string(decibels));
  EXPECT_GE(decibels, 18.0) << "a picture, not noise";
}

// 4 and 8 rows: room for one and two strips; 12 and 16: three, as on every larger tile. The
// first two are the panoramas 96 x 4 and 192 x 8 and the one 97 x 5 is cut to (96 x 4).
INSTANTIATE_TEST_SUITE_P(TileHeights, SmallTiles,
                         testing::Values(TileSize{4, 4}, TileSize{96, 4}, TileSize{8, 8},
                                         TileSize{4, 12}, TileSize{12, 12}, TileSize{16, 16}),
                         [](const testing::TestParamInfo<TileSize>& info) {
                           return std::to_string(info.param.width) + "x" +
                                  std::to_string(info.param.height);
                         });

}  // namespace
}  // namespace skylacer::test
