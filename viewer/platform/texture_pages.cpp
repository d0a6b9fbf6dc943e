#include "viewer/platform/texture_pages.h"

#include <algorithm>

namespace skylacer::viewer::platform {

TexturePages::TexturePages(int size, int columns, int count, int maxPageSize)
    : size_(size), columns_(columns), count_(count), rows_((count + columns - 1) / columns) {
  const int perSide = std::max(1, maxPageSize / size);
  pageColumns_ = std::min(columns_, perSide);
  pageRows_ = std::min(rows_, perSide);
  pagesAcross_ = (columns_ + pageColumns_ - 1) / pageColumns_;
  pagesDown_ = (rows_ + pageRows_ - 1) / pageRows_;
}

Size TexturePages::pageSize(int page) const {
  const int firstColumn = page % pagesAcross_ * pageColumns_;
  const int firstRow = page / pagesAcross_ * pageRows_;
  return {std::min(pageColumns_, columns_ - firstColumn) * size_,
          std::min(pageRows_, rows_ - firstRow) * size_};
}

int TexturePages::texturesOn(int page) const {
  const int firstColumn = page % pagesAcross_ * pageColumns_;
  const int firstRow = page / pagesAcross_ * pageRows_;
  const int columns = std::min(pageColumns_, columns_ - firstColumn);
  int textures = 0;
  for (int row = firstRow; row < std::min(rows_, firstRow + pageRows_); ++row)
    textures += std::clamp(count_ - row * columns_ - firstColumn, 0, columns);
  return textures;
}

PagePlace TexturePages::place(std::size_t quad) const {
  const int row = static_cast<int>(quad) / columns_;
  const int column = static_cast<int>(quad) % columns_;
  return {row / pageRows_ * pagesAcross_ + column / pageColumns_, column % pageColumns_ * size_,
          row % pageRows_ * size_};
}

TexturedQuad TexturePages::onPage(std::size_t quad, TexturedQuad corners) const {
  const PagePlace at = place(quad);
  const Size page = pageSize(at.page);
  const auto size = static_cast<float>(size_);
  for (TexturedVertex& corner : corners) {
    corner.u = (static_cast<float>(at.x) + corner.u * size) / static_cast<float>(page.width);
    corner.v = (static_cast<float>(at.y) + corner.v * size) / static_cast<float>(page.height);
  }
  return corners;
}

}  // namespace skylacer::viewer::platform
