// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/orientation.h"

namespace skylacer::imaging {
namespace {

// The oriented position as an affine function of the upright position:
// X = xFromX * x + xFromY * y + xOffset, Y = yFromX * x + yFromY * y + yOffset.
struct AffineMap {
  int xFromX, xFromY, xOffset;
  int yFromX, yFromY, yOffset;
};

AffineMap affineMap(Orientation orientation, int width, int height) {
  const int quarterTurns = orientation.code() % 4;
  AffineMap map{};
  switch (quarterTurns) {
    case 0:
      map = {1, 0, 0, 0, 1, 0};
      break;
    case 1:  // the left column becomes the top row
      map = {0, -1, height - 1, 1, 0, 0};
      break;
    case 2:
      map = {-1, 0, width - 1, 0, -1, height - 1};
      break;
    default:  // three quarter turns: the top row becomes the left column, read upwards
      map = {0, 1, 0, -1, 0, width - 1};
      break;
  }
  if (orientation.code() >= 4) {
    const int orientedWidth = quarterTurns % 2 == 1 ? height : width;
    map.xFromX = -map.xFromX;
    map.xFromY = -map.xFromY;
    map.xOffset = orientedWidth - 1 - map.xOffset;
  }
  return map;
}

}  // namespace

std::optional<Orientation> Orientation::fromCode(int code) {
  if (code < 0 || code > 7) return std::nullopt;
  return Orientation(code % 4, code >= 4);
}

// 1 as stored, 2 mirrored, 3 upside down, 4 mirrored upside down, 5 mirrored on the diagonal
// (first row to the left column), 6 turned a quarter clockwise, 7 mirrored on the other
// diagonal, 8 turned a quarter anticlockwise.
std::optional<Orientation> Orientation::fromExif(int exifOrientation) {
  constexpr int kCodes[] = {0, 4, 2, 6, 5, 1, 7, 3};
  if (exifOrientation < 1 || exifOrientation > 8) return std::nullopt;
  return fromCode(kCodes[exifOrientation - 1]);
}

// With R a clockwise quarter turn and F the horizontal flip, a code is F^m R^r (rotate, then
// flip), and R^k F = F R^-k. Hence (F^m2 R^r2)(F^m1 R^r1) = F^(m1 xor m2) R^(r1 + (m1 ? -r2 : r2)).
Orientation Orientation::then(Orientation next) const {
  const int turns =
      mirrored_ ? quarterTurns_ - next.quarterTurns_ : quarterTurns_ + next.quarterTurns_;
  return Orientation(((turns % 4) + 4) % 4, mirrored_ != next.mirrored_);
}

// A flipped code is a reflection and undoes itself; a pure rotation is undone by turning back.
Orientation Orientation::inverse() const {
  if (mirrored_) return *this;
  return Orientation((4 - quarterTurns_) % 4, false);
}

PixelPoint orientedPoint(Orientation orientation, PixelPoint upright, int uprightWidth,
                         int uprightHeight) {
  const AffineMap map = affineMap(orientation, uprightWidth, uprightHeight);
  return {map.xFromX * upright.x + map.xFromY * upright.y + map.xOffset,
          map.yFromX * upright.x + map.yFromY * upright.y + map.yOffset};
}

OrientedLayout orientedLayout(Orientation orientation, int uprightWidth, int uprightHeight,
                              std::ptrdiff_t stride) {
  const AffineMap map = affineMap(orientation, uprightWidth, uprightHeight);
  return {map.yOffset * stride + map.xOffset * std::ptrdiff_t{3},
          map.yFromY * stride + map.xFromY * std::ptrdiff_t{3},
          map.yFromX * stride + map.xFromX * std::ptrdiff_t{3}};
}

}  // namespace skylacer::imaging
