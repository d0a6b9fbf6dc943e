#pragma once

// Where a grid of quads' square textures lie on shared texture pages. Drawn one texture at a
// time, each change of texture costs a software renderer a copy of its whole sampling state in
// every frame (about 12 KB a change with Mesa's llvmpipe, more than a small panorama's tiles
// hold); so the textures lie side by side on a few large pages, in the grid's order, and the
// quads of one page are drawn together. Plain C++, no GL.

#include <cstddef>

#include "viewer/platform/geometry.h"
#include "viewer/platform/scene_types.h"

namespace skylacer::viewer::platform {

// A quad's texture on its page: the page, and the texel column and row of the texture's
// first texel there (row 0 of the page first, as the texture's own rows).
struct PagePlace {
  int page = 0;
  int x = 0;
  int y = 0;
};

class TexturePages {
 public:
  // `count` quads with textures of size × size texels, in rows of `columns` quads (the last row
  // may be shorter); pages no larger than maxPageSize texels on a side, or than one texture
  // where maxPageSize is smaller. size, columns and count are at least 1.
  TexturePages(int size, int columns, int count, int maxPageSize);

  int pageCount() const { return pagesAcross_ * pagesDown_; }
  // A page's texels; a page holds at most pageColumns × pageRows textures, fewer at the
  // grid's right and top edges.
  Size pageSize(int page) const;
  // How many textures lie on a page.
  int texturesOn(int page) const;
  PagePlace place(std::size_t quad) const;
  // The quad with its texture coordinates (its own texture's, u to the right and v down from
  // 0 to 1) turned into its page's.
  TexturedQuad onPage(std::size_t quad, TexturedQuad corners) const;

 private:
  int size_;
  int columns_;
  int count_;
  int rows_;
  int pageColumns_;
  int pageRows_;
  int pagesAcross_;
  int pagesDown_;
};

}  // namespace skylacer::viewer::platform
