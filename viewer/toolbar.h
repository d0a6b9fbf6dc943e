#pragma once

// The toolbar: five buttons of 32 × 32 pixels in a strip 160 × 32 at the bottom-left corner of
// the view. Bitmap 105 holds the buttons' normal look, bitmap 104 their highlighted look; the
// button under the mouse is drawn highlighted. White is transparent.

#include <QImage>
#include <QPoint>
#include <optional>

namespace skylacer::viewer {

enum class ToolbarButton { Link = 0, ZoomIn = 1, ZoomOut = 2, Turn = 3, Menu = 4 };

inline constexpr int kToolbarButtons = 5;
inline constexpr int kToolbarButtonSize = 32;
inline constexpr int kToolbarWidth = kToolbarButtons * kToolbarButtonSize;
inline constexpr int kToolbarHeight = kToolbarButtonSize;

// The button under a point of the view (pixels, y downwards) in a view `viewHeight` pixels
// high: button x div 32 when 0 ≤ x < 160 and viewHeight - 32 ≤ y ≤ viewHeight.
std::optional<ToolbarButton> toolbarButtonAt(QPoint point, int viewHeight);

class Toolbar {
 public:
  // The bitmaps 105 (normal) and 104 (highlighted); other sizes are scaled to 160 × 32.
  Toolbar(const QImage& normal, const QImage& highlighted);

  // Highlights one button, or none; returns whether the strip changed.
  bool highlight(std::optional<ToolbarButton> button);
  std::optional<ToolbarButton> highlighted() const { return highlighted_; }

  // The strip as drawn: 160 × 32, the highlighted button from bitmap 104, the rest from 105.
  QImage strip() const;

 private:
  QImage normal_;
  QImage highlightedLook_;
  std::optional<ToolbarButton> highlighted_;
};

}  // namespace skylacer::viewer
