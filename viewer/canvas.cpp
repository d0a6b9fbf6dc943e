// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/canvas.h"

#include <algorithm>

namespace skylacer::viewer {
namespace {

// Characters 32 to 126; each row's bit 6 is its leftmost column.
constexpr std::uint8_t kGlyphs[][kGlyphHeight] = {
#include "viewer/font_glyphs.inc"
};

}  // namespace

int textWidth(std::string_view text) {
  return static_cast<int>(text.size()) * kGlyphWidth;
}

Canvas::Canvas(Size size) {
  image_.width = std::max(0, size.width);
  image_.height = std::max(0, size.height);
  image_.pixels.assign(static_cast<std::size_t>(image_.width) * image_.height * 4, 0);
}

Colour Canvas::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) return {0, 0, 0, 0};
  const std::uint8_t* p = &image_.pixels[(static_cast<std::size_t>(y) * image_.width + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

void Canvas::clear() {
  std::fill(image_.pixels.begin(), image_.pixels.end(), 0);
}

void Canvas::set(int x, int y, Colour colour) {
  if (x < 0 || y < 0 || x >= image_.width || y >= image_.height) return;
  std::uint8_t* p = &image_.pixels[(static_cast<std::size_t>(y) * image_.width + x) * 4];
  p[0] = colour.r;
  p[1] = colour.g;
  p[2] = colour.b;
  p[3] = colour.a;
}

void Canvas::fill(Rect rect, Colour colour) {
  const int left = std::max(0, rect.x);
  const int top = std::max(0, rect.y);
  const int right = std::min(image_.width, rect.x + rect.width);
  const int bottom = std::min(image_.height, rect.y + rect.height);
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) set(x, y, colour);
}

void Canvas::frame(Rect rect, Colour colour) {
  fill({rect.x, rect.y, rect.width, 1}, colour);
  fill({rect.x, rect.y + rect.height - 1, rect.width, 1}, colour);
  fill({rect.x, rect.y, 1, rect.height}, colour);
  fill({rect.x + rect.width - 1, rect.y, 1, rect.height}, colour);
}

void Canvas::text(Point at, std::string_view text, Colour colour) {
  int x = at.x;
  for (const char c : text) {
    const auto code = static_cast<unsigned char>(c);
    const std::uint8_t* rows = kGlyphs[(code >= 32 && code <= 126 ? code : '?') - 32];
    for (int row = 0; row < kGlyphHeight; ++row)
      for (int column = 0; column < kGlyphWidth; ++column)
        if (rows[row] & (1 << (kGlyphWidth - 1 - column))) set(x + column, at.y + row, colour);
    x += kGlyphWidth;
  }
}

void Canvas::draw(Point at, const RgbaImage& picture, bool whiteIsTransparent) {
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const std::uint8_t* p =
          &picture.pixels[(static_cast<std::size_t>(y) * picture.width + x) * 4];
      if (p[3] == 0) continue;
      if (whiteIsTransparent && p[0] == 255 && p[1] == 255 && p[2] == 255) continue;
      set(at.x + x, at.y + y, {p[0], p[1], p[2], p[3]});
    }
}

}  // namespace skylacer::viewer
