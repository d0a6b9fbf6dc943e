// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <optional>

namespace skylacer::imaging {

// One of the eight rotate/flip codes of a picture: a clockwise rotation by a number of quarter
// turns, then, for codes 4-7, a horizontal flip (0 none, 1 = 90 degrees clockwise, 2 = 180,
// 3 = 270; 4-7 the same followed by the flip). Successive codes compose as the symmetries of a
// rectangle, the dihedral group of order 8.
class Orientation {
 public:
  Orientation() = default;

  // nullopt for a number outside 0-7.
  static std::optional<Orientation> fromCode(int code);
  // The turn that shows a photo upright from its EXIF Orientation value (1-8: where the stored
  // picture's first row and first column belong); nullopt outside 1-8.
  static std::optional<Orientation> fromExif(int exifOrientation);

  int code() const { return quarterTurns_ + (mirrored_ ? 4 : 0); }
  bool isIdentity() const { return quarterTurns_ == 0 && !mirrored_; }
  // True when the oriented picture's width is the upright picture's height.
  bool swapsAxes() const { return quarterTurns_ % 2 == 1; }

  // This orientation followed by `next`.
  Orientation then(Orientation next) const;
  Orientation inverse() const;

 private:
  Orientation(int quarterTurns, bool mirrored) : quarterTurns_(quarterTurns), mirrored_(mirrored) {}

  int quarterTurns_ = 0;  // clockwise, 0-3
  bool mirrored_ = false;
};

struct PixelPoint {
  int x = 0;
  int y = 0;
};

// Where pixel `upright` of an upright picture of uprightWidth x uprightHeight lands once the
// picture is oriented.
PixelPoint orientedPoint(Orientation orientation, PixelPoint upright, int uprightWidth,
                         int uprightHeight);

// The byte position, in the rows of an oriented picture (stride bytes apart, 3 bytes a pixel),
// of every pixel of the upright picture: pixel (x, y) starts at
// origin + y * rowStep + x * pixelStep bytes from the oriented picture's first byte.
struct OrientedLayout {
  std::ptrdiff_t origin = 0;
  std::ptrdiff_t rowStep = 0;
  std::ptrdiff_t pixelStep = 0;
};

OrientedLayout orientedLayout(Orientation orientation, int uprightWidth, int uprightHeight,
                              std::ptrdiff_t stride);

}  // namespace skylacer::imaging
