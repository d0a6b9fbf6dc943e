// SPDX-License-Identifier: GPL-3.0-or-later
#include "movwriter/toolbox/graphics_importer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "tests/movwriter/test_pictures.h"
#include "tests/movwriter/toolbox_error_code.h"
#include "tests/support/temp_dir.h"

namespace skylacer::toolbox {
namespace {

// A picture whose rows are uniformly coloured by index: blue = 8 * row, green 200, red 30.
test::BgrPicture rowBands(int width, int height) {
  test::BgrPicture picture{width, height,
                           std::vector<std::uint8_t>(std::size_t(width) * height * 3)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = &picture.pixels[(std::size_t(y) * width + x) * 3];
      p[0] = std::uint8_t(8 * y);
      p[1] = 200;
      p[2] = 30;
    }
  return picture;
}

TEST(GraphicsImporter, DrawsRowsMovedUpIntoRedGreenBlueOffscreens) {
  test::TempDir dir;
  test::writeJpeg(dir / "bands.jpg", rowBands(16, 32), 100);
  GraphicsImporter importer = GraphicsImporter::forFile((dir / "bands.jpg").string());
  const Rect bounds = importer.naturalBounds();
  EXPECT_EQ(bounds.right - bounds.left, 16);
  EXPECT_EQ(bounds.bottom - bounds.top, 32);

  Offscreen tile(16, 8);
  for (int k : {0, 3, 1}) {  // any order: the decoded picture is kept
    SCOPED_TRACE("tile " + std::to_string(k));
    importer.draw(tile, 0, -k * 8);
    for (int y = 0; y < 8; ++y) {
      const std::uint8_t* rgb = tile.row(y) + 5 * 3;
      EXPECT_NEAR(rgb[0], 30, 6) << "red first";
      EXPECT_NEAR(rgb[1], 200, 6);
      EXPECT_NEAR(rgb[2], 8 * (k * 8 + y), 6) << "row " << k * 8 + y;
    }
  }
}

TEST(GraphicsImporter, ClipsAndLeavesUncoveredPixelsAlone) {
  test::TempDir dir;
  test::writeJpeg(dir / "bands.jpg", rowBands(8, 8), 100);
  GraphicsImporter importer = GraphicsImporter::forFile((dir / "bands.jpg").string());
  Offscreen target(12, 12);
  importer.draw(target, 6, 6);
  EXPECT_EQ(target.row(5)[3 * 11], 0) << "above the picture";
  EXPECT_EQ(target.row(11)[3 * 5], 0) << "left of the picture";
  EXPECT_NEAR(target.row(11)[3 * 11 + 1], 200, 6) << "inside";
}

TEST(GraphicsImporter, ReportsWhyAFileCannotBeImported) {
  test::TempDir dir;
  std::ofstream(dir / "text.jpg") << "no picture";
  const std::pair<std::string, OSErr> cases[] = {{(dir / "missing.jpg").string(), fnfErr},
                                                 {(dir / "text.jpg").string(), cantFindHandler}};
  for (const auto& [path, expected] : cases) {
    SCOPED_TRACE(path);
    EXPECT_EQ(test::toolboxErrorOf([&] { GraphicsImporter::forFile(path); }), expected);
  }
}

}  // namespace
}  // namespace skylacer::toolbox
