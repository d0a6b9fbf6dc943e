#include "viewer/toolbar.h"

#include <QPainter>

namespace skylacer::viewer {
namespace {

QImage stripImage(const QImage& bitmap) {
  QImage image = bitmap.convertToFormat(QImage::Format_RGB32);
  if (image.size() != QSize(kToolbarWidth, kToolbarHeight))
    image = image.scaled(kToolbarWidth, kToolbarHeight);
  return image;
}

}  // namespace

std::optional<ToolbarButton> toolbarButtonAt(QPoint point, int viewHeight) {
  if (point.x() < 0 || point.x() >= kToolbarWidth) return std::nullopt;
  if (point.y() < viewHeight - kToolbarHeight || point.y() > viewHeight) return std::nullopt;
  return static_cast<ToolbarButton>(point.x() / kToolbarButtonSize);
}

Toolbar::Toolbar(const QImage& normal, const QImage& highlighted)
    : normal_(stripImage(normal)), highlightedLook_(stripImage(highlighted)) {}

bool Toolbar::highlight(std::optional<ToolbarButton> button) {
  if (button == highlighted_) return false;
  highlighted_ = button;
  return true;
}

QImage Toolbar::strip() const {
  QImage image = normal_;
  if (highlighted_) {
    const int x = static_cast<int>(*highlighted_) * kToolbarButtonSize;
    const QRect button(x, 0, kToolbarButtonSize, kToolbarHeight);
    QPainter painter(&image);
    painter.drawImage(button, highlightedLook_, button);
  }
  return image;
}

}  // namespace skylacer::viewer
