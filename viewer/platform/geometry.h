// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Plain sizes and points in pixels (x to the right, y downwards).

namespace skylacer::viewer::platform {

struct Size {
  int width = 0;
  int height = 0;

  bool operator==(const Size&) const = default;
  bool empty() const { return width < 1 || height < 1; }
};

struct Point {
  int x = 0;
  int y = 0;

  bool operator==(const Point&) const = default;
  Point operator-(Point other) const { return {x - other.x, y - other.y}; }
};

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  bool operator==(const Rect&) const = default;
  bool contains(Point p) const {
    return p.x >= x && p.x < x + width && p.y >= y && p.y < y + height;
  }
};

}  // namespace skylacer::viewer::platform
