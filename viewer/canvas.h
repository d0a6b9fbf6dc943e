// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A picture the viewer paints its toolbar, menus, boxes and tooltips into, with a small
// built-in font (misc-fixed 7 × 13, ASCII). The rendering layer shows it over the panorama.
// Plain C++, no X and no OpenGL.

#include <cstdint>
#include <string_view>

#include "viewer/platform/geometry.h"
#include "viewer/platform/x_window.h"

namespace skylacer::viewer {

using platform::Point;
using platform::Rect;
using platform::RgbaImage;
using platform::Size;

struct Colour {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
  bool operator==(const Colour&) const = default;
};

inline constexpr int kGlyphWidth = 7;
inline constexpr int kGlyphHeight = 13;

// Width in pixels of one line of text (every character is 7 pixels wide).
int textWidth(std::string_view text);

class Canvas {
 public:
  // A transparent canvas of this size.
  explicit Canvas(Size size);

  Size size() const { return {image_.width, image_.height}; }
  const RgbaImage& image() const { return image_; }
  Colour pixel(int x, int y) const;

  // Makes every pixel transparent.
  void clear();
  // Fills a rectangle, clipped to the canvas.
  void fill(Rect rect, Colour colour);
  // A one-pixel frame inside the rectangle.
  void frame(Rect rect, Colour colour);
  // One line of text with its top-left corner at `at`; characters outside 32-126 show as '?'.
  void text(Point at, std::string_view text, Colour colour);
  // Copies a picture with its top-left corner at `at`; pixels of the key colour (white when
  // given) are left out.
  void draw(Point at, const RgbaImage& picture, bool whiteIsTransparent);

 private:
  void set(int x, int y, Colour colour);
  RgbaImage image_;
};

}  // namespace skylacer::viewer
