#include "viewer/platform/texture_pages.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <vector>

namespace skylacer::viewer::platform {
namespace {

struct Grid {
  int size;
  int columns;
  int count;
  int maxPageSize;
};

class TexturePagesTest : public testing::TestWithParam<Grid> {};

// Every texture has a place of its own on a page within the size limit, the pages hold nothing
// but textures, and neighbours in the grid stay neighbours on a page.
TEST_P(TexturePagesTest, EveryTextureHasItsOwnPlaceAndThePagesHoldNothingElse) {
  const Grid grid = GetParam();
  const TexturePages pages(grid.size, grid.columns, grid.count, grid.maxPageSize);
  std::set<std::tuple<int, int, int>> places;
  std::vector<int> onPage(static_cast<std::size_t>(pages.pageCount()));
  int pageTexels = 0;
  for (int page = 0; page < pages.pageCount(); ++page) {
    const Size size = pages.pageSize(page);
    EXPECT_LE(std::max(size.width, size.height), std::max(grid.maxPageSize, grid.size));
    pageTexels += size.width * size.height;
  }
  for (int quad = 0; quad < grid.count; ++quad) {
    const PagePlace at = pages.place(static_cast<std::size_t>(quad));
    ASSERT_GE(at.page, 0);
    ASSERT_LT(at.page, pages.pageCount());
    const Size page = pages.pageSize(at.page);
    EXPECT_EQ(at.x % grid.size, 0);
    EXPECT_EQ(at.y % grid.size, 0);
    EXPECT_LE(at.x + grid.size, page.width);
    EXPECT_LE(at.y + grid.size, page.height);
    EXPECT_TRUE(places.insert({at.page, at.x, at.y}).second) << quad;
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
  // A full grid fills its pages.
  if (grid.count % grid.columns == 0) {
    EXPECT_EQ(pageTexels, grid.count * grid.size * grid.size);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Grids, TexturePagesTest,
    testing::Values(Grid{128, 26, 130, 4096},     // a 3000 x 600 panorama: one page
                    Grid{512, 24, 120, 4096},     // 12000 x 2400: three pages side by side
                    Grid{512, 59, 59 * 7, 4096},  // wider than the ceiling, pages up and across
                    Grid{32, 3, 7, 64},           // a short last row
                    Grid{64, 5, 10, 32}));        // pages smaller than a texture: one each

TEST(TexturePages, TextureCoordinatesMoveToTheTexturesPlaceOnItsPage) {
  const TexturePages pages(100, 4, 8, 300);  // pages of 3 x 2 and 1 x 2 textures
  ASSERT_EQ(pages.pageCount(), 2);
  EXPECT_EQ(pages.pageSize(0), (Size{300, 200}));
  EXPECT_EQ(pages.pageSize(1), (Size{100, 200}));
  const TexturedQuad corners{
      TexturedVertex{1, 2, 3, 0.025f, 0.975f}, TexturedVertex{4, 5, 6, 0.975f, 0.975f},
      TexturedVertex{4, 5, 7, 0.975f, 0.025f}, TexturedVertex{1, 2, 7, 0.025f, 0.025f}};
  // Quad 5: second row, second column, on the first page at (100, 100).
  const TexturedQuad moved = pages.onPage(5, corners);
  EXPECT_FLOAT_EQ(moved[0].u, 102.5f / 300);
  EXPECT_FLOAT_EQ(moved[0].v, 197.5f / 200);
  EXPECT_FLOAT_EQ(moved[2].u, 197.5f / 300);
  EXPECT_FLOAT_EQ(moved[2].v, 102.5f / 200);
  EXPECT_FLOAT_EQ(moved[1].x, 4);
  EXPECT_FLOAT_EQ(moved[2].z, 7);
  // Quad 7: the last column, alone on the second page.
  const TexturedQuad last = pages.onPage(7, corners);
  EXPECT_FLOAT_EQ(last[0].u, 0.025f);
  EXPECT_FLOAT_EQ(last[0].v, 197.5f / 200);
}

}  // namespace
}  // namespace skylacer::viewer::platform
