// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The toolbar: five buttons of 32 × 32 pixels in a strip 160 × 32 at the bottom-left corner of
// the view. Bitmap 105 holds the buttons' normal look, bitmap 104 their highlighted look; the
// button under the mouse is drawn highlighted. White is transparent. Each button has a tooltip.

#include <optional>
#include <string_view>

#include "viewer/canvas.h"

namespace skylacer::viewer {

enum class ToolbarButton { Link = 0, ZoomIn = 1, ZoomOut = 2, Turn = 3, Menu = 4 };

inline constexpr int kToolbarButtons = 5;
inline constexpr int kToolbarButtonSize = 32;
inline constexpr int kToolbarWidth = kToolbarButtons * kToolbarButtonSize;
inline constexpr int kToolbarHeight = kToolbarButtonSize;

// The button under a point of the view (pixels, y downwards) in a view `viewHeight` pixels
// high: button x div 32 when 0 ≤ x < 160 and viewHeight - 32 ≤ y ≤ viewHeight.
std::optional<ToolbarButton> toolbarButtonAt(Point point, int viewHeight);

// The tooltip of a button: what it does, and its key where it has one.
std::string_view toolbarTooltip(ToolbarButton button);

class Toolbar {
 public:
  // The bitmaps 105 (normal) and 104 (highlighted), each 160 × 32.
  Toolbar(const RgbaImage& normal, const RgbaImage& highlighted);

  // Highlights one button, or none; returns whether the strip changed.
  bool highlight(std::optional<ToolbarButton> button);
  std::optional<ToolbarButton> highlighted() const { return highlighted_; }

  // Paints the strip at the bottom-left corner of a view of the canvas's size: the highlighted
  // button from bitmap 104, the rest from 105, white left out.
  void paint(Canvas& canvas) const;
  // Paints a tooltip for a button above the strip, kept inside the canvas.
  static void paintTooltip(Canvas& canvas, ToolbarButton button);

 private:
  RgbaImage normal_;
  RgbaImage highlightedLook_;
  std::optional<ToolbarButton> highlighted_;
};

}  // namespace skylacer::viewer
