// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/platform/texture_pages.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

namespace skylacer::viewer::platform {
namespace {

struct Grid {
  int size;
  int columns;
  int rows;
  int maxPageWidth;
};

class TexturePagesTest : public testing::TestWithParam<Grid> {};

// Every texture has a place of its own on a page within the width limit, the pages hold
// nothing but textures, and neighbours in a row of the grid stay neighbours on a page.
TEST_P(TexturePagesTest, EveryTextureHasItsOwnPlaceAndThePagesHoldNothingElse) {
  const Grid grid = GetParam();
  const TexturePages pages(grid.size, grid.columns, grid.rows, grid.maxPageWidth);
  int pageTexels = 0;
  for (int page = 0; page < pages.pageCount(); ++page) {
    const Size size = pages.pageSize(page);
    EXPECT_LE(size.width, std::max(grid.maxPageWidth, grid.size));
    EXPECT_EQ(size.height, grid.size);
    pageTexels += size.width * size.height;
  }
  EXPECT_EQ(pageTexels, grid.columns * grid.rows * grid.size * grid.size);

  std::set<std::pair<int, int>> places;
  std::vector<int> onPage(static_cast<std::size_t>(pages.pageCount()));
  for (int quad = 0; quad < grid.columns * grid.rows; ++quad) {
    const PagePlace at = pages.place(static_cast<std::size_t>(quad));
    ASSERT_GE(at.page, 0);
    ASSERT_LT(at.page, pages.pageCount());
    EXPECT_EQ(at.x % grid.size, 0);
    EXPECT_LE(at.x + grid.size, pages.pageSize(at.page).width);
    EXPECT_TRUE(places.insert({at.page, at.x}).second) << quad;
    ++onPage[static_cast<std::size_t>(at.page)];
    if (quad % grid.columns > 0) {
      const PagePlace left = pages.place(static_cast<std::size_t>(quad - 1));
      if (left.page == at.page) {
        EXPECT_EQ(left.x + grid.size, at.x);
      }
    }
  }
  for (int page = 0; page < pages.pageCount(); ++page)
    EXPECT_EQ(pages.texturesOn(page), onPage[static_cast<std::size_t>(page)]) << page;
}

INSTANTIATE_TEST_SUITE_P(Grids, TexturePagesTest,
                         testing::Values(Grid{128, 26, 5, 4096},  // a 3000 x 600 panorama
                                         Grid{512, 24, 5, 4096},  // 12000 x 2400: 3 pages a row
                                         Grid{512, 59, 2, 4096},  // a narrower last page
                                         Grid{32, 1, 3, 4096},    // one column
                                         Grid{64, 5, 2, 32}));    // pages narrower than a texture

TEST(TexturePages, TextureCoordinatesMoveToTheTexturesPlaceOnItsPage) {
  const TexturePages pages(100, 4, 2, 300);  // rows of pages 300 and 100 texels wide
  ASSERT_EQ(pages.pageCount(), 4);
  EXPECT_EQ(pages.pageSize(0), (Size{300, 100}));
  EXPECT_EQ(pages.pageSize(1), (Size{100, 100}));
  const TexturedQuad corners{
      TexturedVertex{1, 2, 3, 0.025f, 0.975f}, TexturedVertex{4, 5, 6, 0.975f, 0.975f},
      TexturedVertex{4, 5, 7, 0.975f, 0.025f}, TexturedVertex{1, 2, 7, 0.025f, 0.025f}};
  // Quad 5: second row, second column: page 2 from texel 100 on.
  EXPECT_EQ(pages.place(5).page, 2);
  const TexturedQuad moved = pages.onPage(5, corners);
  EXPECT_FLOAT_EQ(moved[0].u, 102.5f / 300);
  EXPECT_FLOAT_EQ(moved[2].u, 197.5f / 300);
  EXPECT_FLOAT_EQ(moved[0].v, 0.975f);
  EXPECT_FLOAT_EQ(moved[2].v, 0.025f);
  EXPECT_FLOAT_EQ(moved[1].x, 4);
  EXPECT_FLOAT_EQ(moved[2].z, 7);
  // Quad 7: the last column, alone on the last page.
  EXPECT_EQ(pages.place(7).page, 3);
  EXPECT_FLOAT_EQ(pages.onPage(7, corners)[0].u, 0.025f);
}

}  // namespace
}  // namespace skylacer::viewer::platform
