// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The panorama model: the picture wrapped on the inside of a vertical cylinder of radius 1
// around the camera, cut into square texture tiles, and the camera with its limits. Plain
// C++; the renderer receives tiles and cameras from it.
//
// Scene frame (left-handed): x and y span the horizontal plane, z points up. Angle θ around the
// cylinder is measured from +x towards +y; the picture's left edge is at θ = 0 and θ grows to
// the right in the picture and on screen. Heights on the cylinder: the picture's vertical
// middle is at z = 0 and one picture row spans fieldOfView / W.

#include <cstdint>
#include <span>
#include <utility>

#include "viewer/platform/scene_types.h"

namespace skylacer::viewer {

// Borrowed 24-bit rows, blue-green-red, top row first; owned by the caller. A strip of a
// picture holds `height` rows from picture row `firstRow` on.
struct PictureRows {
  const std::uint8_t* rows = nullptr;
  int stride = 0;  // bytes from one row to the next
  int width = 0;
  int height = 0;
  int firstRow = 0;
};

// A tile's quad on the cylinder: lower left, lower right, upper right, upper left as seen from
// the cylinder's axis, with texture coordinates.
using TileQuad = platform::TexturedQuad;

class CPanViewer {
 public:
  static constexpr int kMinTileSize = 32;
  static constexpr int kMaxTileSize = 512;
  static constexpr int kMaxTilesAcross =
      40;                                  // a row has no more tiles than this, up to the ceiling
  static constexpr int kTileOverlap = 10;  // pixels shared by neighbouring tiles
  // Pictures this narrow or narrower cannot be mapped (a picture column spans fov / (W - 10)).
  static constexpr int kMaxUnmappableWidth = 10;
  // Textures show picture rows up to H - 2 (row H - 1 never), so a picture needs two rows.
  static constexpr int kMinHeight = 2;
  static constexpr double kMinField = 0.0001;
  static constexpr double kStartYaw = 0.005;
  static constexpr double kStartField = 1e10;  // brought down to the field limit by the first frame
  static constexpr float kStartRotationStep = 0.002f;  // radians per frame
  // A field of view of at least this many radians is a full circle: the view turns freely.
  static constexpr double kFullCircle = 6.28;
  static constexpr double kYawPerPixel = 0.01;     // sideways drag, radians per pixel
  static constexpr double kPitchPerPixel = 0.001;  // up-down drag, radians per pixel
  static constexpr double kFieldPerZoomUnit = 0.00001;

  // Takes the picture (held, not owned, until releasePicture) and its horizontal field of view
  // in radians; sets the tile size and grid and the starting camera (yaw 0.005, pitch 0, field
  // 1e10, auto-rotation and redraw on). Returns the number of tiles; 0, with nothing changed,
  // when the picture cannot be shown: a width of 10 pixels or less, a height below 2, or a field
  // of view that is not a positive finite number.
  int setPicture(PictureRows picture, double fieldOfView);
  // The same for a picture whose rows come later, a strip at a time (holdRows).
  int setPictureSize(int width, int height, double fieldOfView);
  // The same picture at another size (the full picture of a reduced decode): the tile grid of
  // the new size, the camera as it is. Returns the number of tiles; 0, with nothing changed,
  // as setPictureSize.
  int resizePicture(int width, int height);
  // The picture rows the tiles of one tile row (0 at the bottom) read: first and last, top
  // first. Tile rows from the top down read strips further and further down the picture.
  std::pair<int, int> tileRowSpan(int tileRow) const { return bandSpan(tileRow, 0, tileSize_); }
  // The same for texture rows firstRow .. firstRow + count - 1 (count > 0) of a tile row's
  // tiles: a band of their rows. Bands from the top down read further and further down.
  std::pair<int, int> bandSpan(int tileRow, int firstRow, int count) const;
  // Holds a strip of the picture (its firstRow counted from the picture's top) for makeTile.
  void holdRows(PictureRows strip) { picture_ = strip; }
  // Forgets the picture once the tiles are made; tiles and camera stay.
  void releasePicture();

  // Size of the rendering surface in pixels; recomputes the field and pitch limits.
  void setViewport(int width, int height);

  int tileSize() const { return tileSize_; }
  int tilesAcross() const { return tilesAcross_; }
  int tilesDown() const { return tilesDown_; }
  int tileCount() const { return tilesAcross_ * tilesDown_; }

  // Fills texture rows firstRow .. firstRow + count - 1 of tile `index` (0 .. tileCount() - 1,
  // row by row from the picture's bottom) into `rows` while the picture is held: count rows of
  // T texels of 3 bytes (blue, green, red), T × 3 bytes a row, the first given row first. A
  // tile's texture is T × T texels, row 0 first (v = 0); texture row y shows picture row
  // H - T - c - 1 + y, where c is the tile's first row counted from the picture's bottom; rows
  // above the picture repeat its top row. Texture column x shows picture column b + x; past the
  // picture's right end the last tile of a row continues with the picture's left edge for a
  // full circle and is black for a partial panorama. The held rows must include the band's
  // rows (bandSpan).
  void makeTileRows(int index, int firstRow, int count, std::span<std::uint8_t> rows) const;
  // Tile `index`'s place on the cylinder.
  TileQuad tileQuad(int index) const;

  // Applies the limits, advances the automatic turn (reversing it where a partial panorama's
  // end stops the yaw) and returns the camera for the next frame.
  platform::CameraFrame camera();

  // A mouse drag of (dx, dy) pixels: yaw += dx × 0.01, pitch -= dy × 0.001. Sets redraw.
  void drag(int dx, int dy);
  // A zoom of dy units: field += dy × 0.00001. Sets redraw.
  void zoom(int dy);
  // A zoom by a factor of the field as the limits leave it (below 1 zooms in): the wheel and
  // the + and - keys. Sets redraw.
  void zoomBy(double factor);
  void setAutoRotation(bool on) { autoRotation_ = on; }
  void requestRedraw() { redraw_ = true; }
  // Called after each drawn frame.
  void clearRedraw() { redraw_ = false; }

  bool autoRotation() const { return autoRotation_; }
  bool redraw() const { return redraw_; }
  // Whether the next frame differs from the last: a redraw was asked for, or the automatic
  // turn runs on a panorama that can turn at the current zoom.
  bool needsFrame() const;

  double fieldOfView() const { return fieldOfView_; }
  double yaw() const { return yaw_; }      // radians; 0 looks at the picture's left edge
  double pitch() const { return pitch_; }  // radians; positive looks up
  double field() const { return field_; }
  float rotationStep() const { return rotationStep_; }
  double fieldLimit() const { return fieldLimit_; }
  double pitchLimit() const { return pitchLimit_; }
  // Horizontal half view angle (radians) at the current field.
  double horizontalHalfAngle() const;

 private:
  enum class YawLimit { Free, Inside, Clamped, Centred };
  // A tile's first picture column b and its first row c counted from the picture's bottom.
  struct TileOrigin {
    int b = 0;
    int c = 0;
  };

  // Throws std::out_of_range for an index outside the grid.
  TileOrigin tileOrigin(int index) const;

  double cylinderHeight() const;
  double horizontalHalfAngleAt(double field) const;
  // The field after the field limits.
  double limitedField() const;
  void updateLimits();
  // Field, pitch and yaw limits; says what happened to the yaw.
  YawLimit applyLimits();
  YawLimit limitYaw();

  PictureRows picture_;
  int width_ = 0;   // W
  int height_ = 0;  // H
  double fieldOfView_ = 0;
  int tileSize_ = kMinTileSize;
  int tilesAcross_ = 0;
  int tilesDown_ = 0;

  float rotationStep_ = kStartRotationStep;
  double yaw_ = kStartYaw;
  double pitch_ = 0;
  double field_ = kStartField;
  double pitchLimit_ = 0;
  double fieldLimit_ = 0;
  int viewportWidth_ = 0;
  int viewportHeightPlus6_ = 6;  // the surface's height plus 6 pixels, as the limits use it
  bool autoRotation_ = false;
  bool redraw_ = false;
};

}  // namespace skylacer::viewer
