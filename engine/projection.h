// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Panorama layout and projection: the photographs painted one after the other onto a
// cylindrical panorama, joined by seams, and cut to the rows every seam covered.
//
// The cylinder: with f the common focal length (half photo widths) and W x H the size of
// photograph 0, F = atan(1 / f) is half a photograph's horizontal field of view and
// K = 2F / W the angle of one panorama column (radians); a full turn is 2π / K columns.
// Panorama column u shows azimuth K · u - F relative to photograph 0, and row r the height
// y = (2r - H) / W (normalised units, y downwards); the ray of (u, r) in world coordinates is
// (f sin θ, y, f cos θ). Columns and rows are therefore not equally spaced: 1 / K columns per
// radian against W / 2 rows per unit of y.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/blend.h"
#include "engine/buffers.h"
#include "engine/camera.h"
#include "engine/column_strips.h"
#include "engine/params.h"
#include "engine/progress.h"

namespace skylacer::imaging {
class Bitmap;
}

namespace skylacer {

class DecodedPhotos;

struct CylinderScale {
  double halfFieldOfView = 0;   // F, radians
  double radiansPerColumn = 0;  // K
};

// F = acos(f / sqrt(f² + 1)) and K = 2F / photoWidth.
CylinderScale cylinderScale(double focal, int photoWidth);

// Positions of records 0..records.size()-1 (absolute form) in panorama columns: the azimuth of
// each camera's view, photograph 0 at 0. In a full circle the positions grow by whole turns
// until each lies right of its predecessor (the last record, the closing copy of photograph 0,
// a turn from the first). In an open panorama a position is taken within half a turn of its
// predecessor and never left of it: a photograph found a hair left of the one before it stays
// in place instead of a turn away.
std::vector<double> panoramaPositions(std::span<const CameraRecord> records,
                                      double radiansPerColumn, bool fullCircle);

// The drift of the horizon across the panorama: source rows are read slope · θ + offset
// normalised units lower (θ the canvas azimuth, radians).
struct HorizonLine {
  double slope = 0;   // S, normalised units per radian
  double offset = 0;  // L, normalised units
};

// S from where the horizon crosses the first and the last placed photograph, divided by the
// last one's azimuth (0 when the last photograph lies in the first one's column), and L the
// negated sum over the placed records of where the corrected horizon crosses each, divided by
// `photos` (n, also for a full circle's n + 1 records). Positions before shifting.
HorizonLine horizonLine(std::span<const CameraRecord> records, std::span<const double> positions,
                        double radiansPerColumn, int photos);

// Panorama width for the last position p: ⌊p + 0.5⌋ + W rounded up to a multiple of 4.
int panoramaWidth(double lastPosition, int photoWidth);

// A point of the source photograph in pixels (column, row), single precision.
struct SourcePoint {
  float column = 0;
  float row = 0;
};

// Where the corners of a canvas tile come from: the exact mapping at the tile's top-left,
// top-right, bottom-left and bottom-right edges (right and bottom edges are the first column and
// row after the tile).
struct TileCorners {
  SourcePoint topLeft, topRight, bottomLeft, bottomRight;
};

// Fills a tile of width x height canvas pixels (rows `canvasStride` bytes apart) by
// interpolating the corners in single precision: each tile row's end points are interpolated
// between the top and bottom corners, and the point advances by (right - left) / width per
// pixel. A point inside the source takes the source pixel at its truncated position; every
// other pixel of the tile is written empty.
void warpTile(std::uint8_t* canvas, std::ptrdiff_t canvasStride, const std::uint8_t* source,
              ImageSize sourceSize, const TileCorners& corners, int width, int height);

// The vectors the projection may use: the widest the processor has, copying the rows of eight
// tiles side by side, or none (to show on one machine that both paint the same pixels).
enum class WarpVectors { Widest, None };

// Paints `source` (W x H) into `canvas` (W x H) as panorama columns column..column + W - 1 show
// it: canvas column x shows θ = K · (column + x) - F, row r shows y = (2r - H) / W, and the
// source point of that ray is found through the record's rotation, focal length f, radial
// coefficient k1 and distortion k: q = Rᵀ (f sin θ, y, f cos θ), xs = f q.x / q.z,
// ys = f q.y / q.z, both times 1 + k1 (xs² + ys²) / f² when k1 is not 0, source column
// (W + W · xs · (1 - k ys²)) / 2, source row (W · (ys + S θ + L) + H) / 2. The mapping is exact
// at the corners of 64 x 64 tiles, painted in bands (rows of tiles) by up to `workers` threads,
// with the same bytes for any number. Every canvas pixel of a finished band is written (empty
// where no source pixel lands). Before each band the calling thread takes, the progress object
// (may be null) gets the band's bottom edge / H; when it asks to stop the projection returns
// false and the bands not yet started are left as they were.
bool projectImage(const RgbImage& source, RgbImage& canvas, ImageSize size,
                  const CameraRecord& record, int column, HorizonLine horizon, IProgress* progress,
                  int workers = 1, WarpVectors vectors = WarpVectors::Widest);

// Cross-fades the two ends of a full circle: in every row, for j = 0..W-1 the pixels j and
// closingColumn + j (the closing copy of photograph 0, the same view) both become
// (j · left + (W - j) · right) / W per channel, integer division. Where one of the two is empty
// both take the other. Rows are shared among up to `workers` threads. The panorama is packed,
// or in `strips` where they are given.
void wrapBlend(std::span<std::uint8_t> panorama, ImageSize panoramaSize, int photoWidth,
               int closingColumn, int workers = 1,
               std::optional<ColumnStrips> strips = std::nullopt);

// Panorama columns left..right - 1 and rows top..bottom - 1.
struct CropRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  friend bool operator==(const CropRect&, const CropRect&) = default;
};

enum class CropWidth {
  MultipleOf4Above1000,  // a width above 1000 loses its last (width mod 4) columns
  Exact,                 // a full turn keeps every column so that its ends meet
};

// The largest rectangle inside `rect` holding no empty pixel at its edges' side of any column:
// per column the rows from its first filled row to its last are kept, so the projected photos'
// bent and tilted top and bottom edges leave no black wedge or notch behind. Up to `sideLimit`
// columns may be cut at either end where that keeps more of the picture (its area) than cutting
// rows; 0 keeps every column of `rect`. An empty rectangle when no column holds a filled pixel.
// The panorama is packed.
CropRect filledRect(std::span<const std::uint8_t> panorama, ImageSize panoramaSize, CropRect rect,
                    int sideLimit);

// The part of the panorama the crop keeps: `rect` held inside the panorama, its width cut by
// the rule.
CropRect cropWindow(ImageSize panoramaSize, CropRect rect, CropWidth rule);

// The picture is a window of the uncropped panorama: the crop chooses where it lies instead of
// moving it. A reader takes size.height rows of 3 · size.width bytes, `stride` bytes apart, from
// picture() on.
struct ComposedPanorama {
  UnfilledRgbImage pixels;    // the uncropped panorama, rows padded to whole strips, all written
  ImageSize size;             // the picture's
  std::size_t first = 0;      // bytes before the picture's top-left pixel in `pixels`
  std::ptrdiff_t stride = 0;  // bytes from one row of the picture to the next
  double angle = 0;           // horizontal field of view, radians: 2π for a full circle
  CropRect crop;              // where the picture lies in the uncropped panorama
  // One per seam (photographs 1..n-1, then the closing copy of a full circle): per panorama
  // row, uncropped columns, where the 16-pixel cross-fade starts.
  std::vector<std::vector<int>> joints;

  const std::uint8_t* picture() const { return pixels.data() + first; }
};

// Moves the picture's rows to the front of its buffer, which then holds exactly the picture,
// packed (first 0, stride 3 · size.width), for readers that take no stride. No memory is
// allocated.
void packPanorama(ComposedPanorama& panorama);

// A single photograph as the panorama, packed: its pixels read whole and its bitmap released;
// angle 0. A photograph that cannot be read whole raises PhotoUnreadable.
ComposedPanorama singlePhotoPanorama(imaging::Bitmap& photo);

// Composes the panorama at full size from photographs aligned into records 0..m in absolute
// form (m = n - 1, or n for a full circle: params.full360), all sharing one focal length,
// distortion and radial coefficient. Photographs are decoded at the size of photograph 0 and
// released once painted; those `decoded` keeps are not decoded again and are freed as they are
// painted. The work is shared among `workers` threads (1: all on the calling
// thread); the bytes are the same for any number. With more than one, the next two photographs are
// decoded on other threads while the one before them is painted, except in a full circle, which
// already holds photograph 0's projection for its closing seam. Progress is reported on the calling
// thread only. Every progress report inside may stop the run: the call then waits for its other
// threads, frees what it made and returns nothing. Nothing is returned either when photograph 0
// has no size. A photograph that cannot be read whole raises PhotoUnreadable.
std::optional<ComposedPanorama> composePanorama(std::span<imaging::Bitmap* const> photos,
                                                std::span<const CameraRecord> records,
                                                const StitchParams& params, IProgress* progress,
                                                int workers = 1, DecodedPhotos* decoded = nullptr);

}  // namespace skylacer
