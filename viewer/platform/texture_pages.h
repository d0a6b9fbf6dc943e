// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where a grid of quads' square textures lie on shared texture pages. Drawn one texture at a
// time, each change of texture costs a software renderer a copy of its whole sampling state in
// every frame (about 12 KB a change with Mesa's llvmpipe, more than a small panorama's tiles
// hold); so the textures of a row of the grid lie side by side on one page, or on a few where
// the row is wider than a page may be, and the quads of one page are drawn together. Plain C++,
// no GL.

#include <cstddef>

#include "viewer/platform/geometry.h"
#include "viewer/platform/scene_types.h"

namespace skylacer::viewer::platform {

// A quad's texture on its page: the page, and the texel column of the texture's first texel
// there (the texture's rows are the page's rows).
struct PagePlace {
  int page = 0;
  int x = 0;
};

class TexturePages {
 public:
  // A grid of columns × rows quads, row by row, with textures of size × size texels; pages no
  // wider than maxPageWidth texels, or than one texture where that is smaller. size, columns
  // and rows are at least 1.
  TexturePages(int size, int columns, int rows, int maxPageWidth);

  // Pages row by row of the grid, from its first column on.
  int pageCount() const { return pagesAcross_ * rows_; }
  Size pageSize(int page) const;
  // How many textures lie on a page.
  int texturesOn(int page) const { return pageSize(page).width / size_; }
  PagePlace place(std::size_t quad) const;
  // The quad with its texture coordinates (its own texture's, u to the right and v down from
  // 0 to 1) turned into its page's.
  TexturedQuad onPage(std::size_t quad, TexturedQuad corners) const;

 private:
  int size_;
  int columns_;
  int rows_;
  int pageColumns_;  // textures a page holds, but at the grid's right edge
  int pagesAcross_;  // pages a row of the grid takes
};

}  // namespace skylacer::viewer::platform
