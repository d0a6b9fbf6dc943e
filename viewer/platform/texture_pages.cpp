// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/platform/texture_pages.h"

#include <algorithm>

namespace skylacer::viewer::platform {

TexturePages::TexturePages(int size, int columns, int rows, int maxPageWidth)
    : size_(size),
      columns_(columns),
      rows_(rows),
      pageColumns_(std::min(columns, std::max(1, maxPageWidth / size))),
      pagesAcross_((columns + pageColumns_ - 1) / pageColumns_) {}

Size TexturePages::pageSize(int page) const {
  const int firstColumn = page % pagesAcross_ * pageColumns_;
  return {std::min(pageColumns_, columns_ - firstColumn) * size_, size_};
}

PagePlace TexturePages::place(std::size_t quad) const {
  const int row = static_cast<int>(quad) / columns_;
  const int column = static_cast<int>(quad) % columns_;
  return {row * pagesAcross_ + column / pageColumns_, column % pageColumns_ * size_};
}

TexturedQuad TexturePages::onPage(std::size_t quad, TexturedQuad corners) const {
  const PagePlace at = place(quad);
  const auto pageWidth = static_cast<float>(pageSize(at.page).width);
  const auto size = static_cast<float>(size_);
  for (TexturedVertex& corner : corners)
    corner.u = (static_cast<float>(at.x) + corner.u * size) / pageWidth;
  return corners;
}

}  // namespace skylacer::viewer::platform
