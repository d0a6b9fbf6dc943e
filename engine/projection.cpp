// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/projection.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <future>
#include <limits>
#include <new>
#include <numbers>
#include <numeric>
#include <stdexcept>
#include <string>
#include <utility>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "engine/column_strips.h"
#include "engine/decoded_photos.h"
#include "engine/messages.h"
#include "engine/optional_progress.h"
#include "engine/parallel.h"
#include "engine/pixel_memory.h"
#include "platform/imaging/bitmap.h"

namespace skylacer {

namespace {

constexpr double kTurn = 2 * std::numbers::pi;
constexpr int kTileSize = 64;
constexpr int kLeastCommonRows = 100;
constexpr int kExactWidthLimit = 1000;

std::size_t pixelOffset(int column, int row, int width) {
  return (static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
          static_cast<std::size_t>(column)) *
         3;
}

// The y coordinate at which camera `rotation` sees the world ray (f sin θ, 0, f cos θ).
double horizonCrossing(const Matrix3& rotation, double focal, double theta) {
  const Vec3 q = transposedTimes(rotation, {focal * std::sin(theta), 0, focal * std::cos(theta)});
  return focal * q.y / q.z;
}

// Hands out the photographs' pixels in order: those the loading kept decoded as they are, the
// others each decoded at `size`; every bitmap is released once its pixels are had. Reading
// ahead, two buffers take turns: photographs 0 and 1 are decoded on other threads from the
// start, while the caller prepares the panorama, and as soon as a photograph is painted its
// buffer takes the decoding of the one two places on. Decoding, the slowest step of a
// photograph's, so runs on two cores at once without a third buffer. A kept photograph's
// buffer, once painted, serves as the next one a photograph is read into, so that the buffers
// never outnumber the photographs kept by more than the two of reading ahead. Stopping early
// waits for the reading threads when the reader goes.
class PhotoReader {
 public:
  PhotoReader(std::span<imaging::Bitmap* const> photos, ImageSize size, bool readAhead,
              DecodedPhotos* decoded)
      : photos_(photos),
        size_(size),
        readAhead_(readAhead && photos.size() >= 2),
        decoded_(decoded) {
    if (!readAhead_) return;
    for (const int index : {0, 1})
      if (!kept(index)) startReading(index);
  }
  PhotoReader(const PhotoReader&) = delete;
  PhotoReader& operator=(const PhotoReader&) = delete;
  ~PhotoReader() {
    for (std::future<void>& reading : reading_)
      if (reading.valid()) reading.wait();
  }

  // Photograph `index`'s pixels, valid until painted(index); indices are asked in rising order.
  // One that cannot be read whole raises PhotoUnreadable.
  const UnfilledRgbImage& take(int index) {
    if (kept(index)) {
      photos_[static_cast<std::size_t>(index)]->release();
      return decoded_->pixels(static_cast<std::size_t>(index));
    }
    if (!readAhead_) {
      read(index, buffer(0));
      return buffers_[0];
    }
    const std::size_t turn = slot(index);
    reading_[turn].get();
    return buffers_[turn];
  }

  // Photograph `index` is painted: its buffer goes on to the photograph two places on. A kept
  // photograph's buffer that no photograph goes on in comes back, for the caller to free.
  [[nodiscard]] UnfilledRgbImage painted(int index) {
    UnfilledRgbImage freed;
    if (kept(index)) freed = decoded_->take(static_cast<std::size_t>(index));
    const int next = readAhead_ ? index + 2 : index + 1;
    if (static_cast<std::size_t>(next) >= photos_.size() || kept(next)) return freed;
    UnfilledRgbImage& into = buffers_[slot(readAhead_ ? next : 0)];
    if (into.empty()) into = std::move(freed);
    if (readAhead_) startReading(next);
    return freed;
  }

  // Frees the buffers once every photograph has been taken.
  void finish() {
    for (UnfilledRgbImage& buffer : buffers_) buffer = UnfilledRgbImage();
  }

 private:
  bool kept(int index) const {
    return decoded_ != nullptr && decoded_->holds(static_cast<std::size_t>(index));
  }
  static std::size_t slot(int index) { return static_cast<std::size_t>(index) % 2; }
  UnfilledRgbImage& buffer(std::size_t turn) {
    if (buffers_[turn].empty()) buffers_[turn] = makeUnfilledRgbImage(size_);
    return buffers_[turn];
  }
  void startReading(int index) {
    UnfilledRgbImage& into = buffer(slot(index));
    reading_[slot(index)] = startBeside([this, index, &into] { read(index, into); });
  }
  void read(int index, UnfilledRgbImage& into) {
    imaging::Bitmap& bitmap = *photos_[static_cast<std::size_t>(index)];
    readPhotoPixels(bitmap, into.data(), size_);
    bitmap.release();
  }

  std::span<imaging::Bitmap* const> photos_;
  ImageSize size_;
  bool readAhead_;
  DecodedPhotos* decoded_;
  UnfilledRgbImage buffers_[2];  // the second only used when reading ahead
  std::future<void> reading_[2];
};

// The exact mapping of projectImage for one photograph.
class CanvasMapping {
 public:
  CanvasMapping(const CameraRecord& record, ImageSize size, int column, HorizonLine horizon)
      : rotation_(record.rotation),
        focal_(record.focal),
        distortion_(record.distortion),
        radialPerFocalSquared_(record.radial / (record.focal * record.focal)),
        width_(size.width),
        height_(size.height),
        column_(column),
        scale_(cylinderScale(record.focal, size.width)),
        horizon_(horizon) {}

  // Source points of canvas column x at every row edge of the tiles.
  void mapColumn(int x, std::span<const int> rowEdges, std::span<SourcePoint> points) const {
    const double theta = scale_.radiansPerColumn * (column_ + x) - scale_.halfFieldOfView;
    const Vec3 level =
        transposedTimes(rotation_, {focal_ * std::sin(theta), 0, focal_ * std::cos(theta)});
    const Vec3 down = transposedTimes(rotation_, {0, 1, 0});
    const double rowShift = horizon_.slope * theta + horizon_.offset;
    for (std::size_t i = 0; i < rowEdges.size(); ++i) {
      const double y = static_cast<double>(2 * rowEdges[i] - height_) / width_;
      const Vec3 q = level + y * down;
      if (!(q.z > 0)) {
        // Behind the camera: no source point, so the tiles that use it stay empty.
        points[i] = {std::numeric_limits<float>::quiet_NaN(),
                     std::numeric_limits<float>::quiet_NaN()};
        continue;
      }
      double xs = focal_ * q.x / q.z;
      double ys = focal_ * q.y / q.z;
      if (radialPerFocalSquared_ != 0) {
        const double factor = 1 + radialPerFocalSquared_ * (xs * xs + ys * ys);
        xs *= factor;
        ys *= factor;
      }
      points[i] = {static_cast<float>((width_ + width_ * xs * (1 - distortion_ * ys * ys)) / 2),
                   static_cast<float>((width_ * (ys + rowShift) + height_) / 2)};
    }
  }

 private:
  Matrix3 rotation_;
  double focal_;
  double distortion_;
  double radialPerFocalSquared_;  // k1 / f²: the radial factor is 1 + this · (xs² + ys²)
  int width_;
  int height_;
  int column_;
  CylinderScale scale_;
  HorizonLine horizon_;
};

// Canvas columns from..W - 1 of every row into the panorama (in `strips`), canvas column x at
// panorama column column + x.
void copyIntoPanorama(const UnfilledRgbImage& canvas, ImageSize canvasSize, int from,
                      UnfilledRgbImage& panorama, ColumnStrips strips, int column) {
  for (int r = 0; r < canvasSize.height; ++r)
    strips.forEachRun(column + from, column + canvasSize.width, [&](int at, int count) {
      std::memcpy(panorama.data() + strips.offset(at, r),
                  canvas.data() + pixelOffset(at - column, r, canvasSize.width),
                  3 * static_cast<std::size_t>(count));
    });
}

// Writes empty pixels into panorama columns from..to - 1 of rows 0..height - 1.
void emptyColumns(UnfilledRgbImage& panorama, ColumnStrips strips, int height, int from, int to) {
  for (int r = 0; r < height; ++r)
    strips.forEachRun(from, to, [&](int at, int count) {
      std::memset(panorama.data() + strips.offset(at, r), 0, 3 * static_cast<std::size_t>(count));
    });
}

int roundedColumn(double position) {
  return static_cast<int>(position + 0.5);
}

}  // namespace

CylinderScale cylinderScale(double focal, int photoWidth) {
  const double half = std::acos(focal / std::sqrt(focal * focal + 1));
  return {half, 2 * half / photoWidth};
}

std::vector<double> panoramaPositions(std::span<const CameraRecord> records,
                                      double radiansPerColumn, bool fullCircle) {
  const double turn = kTurn / radiansPerColumn;
  std::vector<double> positions(records.size(), 0.0);
  for (std::size_t i = 1; i < records.size(); ++i) {
    const Vec3 forward = transposedTimes(records[i].rotation, {0, 0, 1});
    const Vec3 flat = normalized({forward.x, 0, forward.z});
    const double angle = std::acos(std::clamp(flat.z, -1.0, 1.0));
    double position = (flat.x > 0 ? kTurn - angle : angle) / radiansPerColumn;
    const double previous = positions[i - 1];
    if (!std::isfinite(position)) {
      position = previous;
    } else if (fullCircle) {
      while (previous > position) position += turn;
    } else {
      position += std::round((previous - position) / turn) * turn;
      position = std::max(position, previous);
    }
    positions[i] = position;
  }
  return positions;
}

HorizonLine horizonLine(std::span<const CameraRecord> records, std::span<const double> positions,
                        double radiansPerColumn, int photos) {
  if (records.empty() || photos < 1) return {};
  const std::size_t last = records.size() - 1;
  const double focal = records[0].focal;
  const double lastAzimuth = radiansPerColumn * positions[last];
  const double firstCrossing = horizonCrossing(records[0].rotation, focal, 0);
  const double lastCrossing = horizonCrossing(records[last].rotation, focal, lastAzimuth);
  HorizonLine horizon;
  // A last photograph in the first one's column gives no slope to measure.
  if (positions[last] >= 0.5) horizon.slope = (firstCrossing - lastCrossing) / lastAzimuth;
  double sum = 0;
  for (std::size_t i = 0; i <= last; ++i) {
    const double azimuth = radiansPerColumn * positions[i];
    sum += horizonCrossing(records[i].rotation, focal, azimuth) + horizon.slope * azimuth;
  }
  horizon.offset = -sum / photos;
  if (!std::isfinite(horizon.slope) || !std::isfinite(horizon.offset)) return {};
  return horizon;
}

int panoramaWidth(double lastPosition, int photoWidth) {
  const double width = std::floor(lastPosition + 0.5) + photoWidth + 3;
  if (!(width >= 0 && width <= std::numeric_limits<std::int32_t>::max())) throw std::bad_alloc();
  return static_cast<int>(width) & ~3;
}

namespace {

// Where row i of a tile of the given height starts, and where the row after its last pixel
// would: between the tile's top and bottom corners.
struct TileRowEnds {
  SourcePoint left, right;
};

TileRowEnds tileRowEnds(const TileCorners& corners, int height, int i) {
  const auto tileHeight = static_cast<float>(height);
  const auto below = static_cast<float>(i);
  const float above = tileHeight - below;
  const auto between = [&](SourcePoint top, SourcePoint bottom) {
    return SourcePoint{(above * top.column + below * bottom.column) / tileHeight,
                       (above * top.row + below * bottom.row) / tileHeight};
  };
  return {between(corners.topLeft, corners.bottomLeft),
          between(corners.topRight, corners.bottomRight)};
}

bool insideSource(float column, float row, ImageSize sourceSize) {
  return column >= 0 && column < static_cast<float>(sourceSize.width) && row >= 0 &&
         row < static_cast<float>(sourceSize.height);
}

// Whether a tile row between `ends` stays at least a pixel inside the source all along. The
// steps' rounding moves its points by far less than a pixel, so none of its pixels then needs
// the test for lying outside.
bool wellInside(TileRowEnds ends, ImageSize sourceSize) {
  const auto inner = [&](SourcePoint point) {
    return point.column >= 1 && point.column < static_cast<float>(sourceSize.width - 1) &&
           point.row >= 1 && point.row < static_cast<float>(sourceSize.height - 1);
  };
  return inner(ends.left) && inner(ends.right);
}

// Asks for the cache line holding `address`. The compiler drops a __builtin_prefetch in a loop
// that does nothing else; an asm statement it keeps.
void prefetchLine(const std::uint8_t* address) {
#if defined(__x86_64__) || defined(__i386__)
  asm volatile("prefetcht0 %0" : : "m"(*address));
#else
  __builtin_prefetch(address);
#endif
}

// Asks for the source lines a tile row between `ends` will read. The photograph was decoded
// long before and no longer sits in the cache, and a row of the canvas reads it along a curve
// the processor's own prefetching does not follow: unasked, the warp waits on memory at nearly
// every pixel.
void prefetchTileRow(const std::uint8_t* source, ImageSize sourceSize, TileRowEnds ends,
                     int width) {
  // 16 pixels are 48 bytes, so every 64-byte line the row crosses is asked for.
  constexpr int kPixelsPerRequest = 16;
  const auto sourceStride = static_cast<std::ptrdiff_t>(3) * sourceSize.width;
  const auto tileWidth = static_cast<float>(width);
  for (int j = 0; j <= width; j += kPixelsPerRequest) {
    const float share = static_cast<float>(j) / tileWidth;
    const float column = ends.left.column + share * (ends.right.column - ends.left.column);
    const float row = ends.left.row + share * (ends.right.row - ends.left.row);
    if (insideSource(column, row, sourceSize))
      prefetchLine(source + sourceStride * static_cast<int>(row) + 3 * static_cast<int>(column));
  }
}

// Asks for the source lines of tile row i + a few: far enough ahead for them to arrive before
// they are read.
void prefetchRowsAhead(const std::uint8_t* source, ImageSize sourceSize, const TileCorners& corners,
                       int width, int height, int i) {
  constexpr int kRowsAhead = 4;
  prefetchTileRow(source, sourceSize,
                  tileRowEnds(corners, height, std::min(i + kRowsAhead, height)), width);
}

// Where a tile row's pixels come from: the first one's source point and the step to the next.
struct TileRowWalk {
  SourcePoint start;
  SourcePoint step;
};

TileRowWalk tileRowWalk(TileRowEnds ends, int width) {
  const auto tileWidth = static_cast<float>(width);
  return {ends.left,
          {(ends.right.column - ends.left.column) / tileWidth,
           (ends.right.row - ends.left.row) / tileWidth}};
}

// A tile row that stays well inside the source (wellInside), copied without testing its pixels.
void copyInsideTileRow(std::uint8_t* out, const std::uint8_t* source, ImageSize sourceSize,
                       TileRowWalk walk, int width) {
  const auto sourceStride = static_cast<std::ptrdiff_t>(3) * sourceSize.width;
  float column = walk.start.column;
  float row = walk.start.row;
  for (int j = 0; j < width; ++j, out += 3, column += walk.step.column, row += walk.step.row)
    std::memcpy(out, source + sourceStride * static_cast<int>(row) + 3 * static_cast<int>(column),
                3);
}

// Row i of a tile of width x height canvas pixels, as warpTile paints it, into `out`.
void warpTileRow(std::uint8_t* out, const std::uint8_t* source, ImageSize sourceSize,
                 const TileCorners& corners, int width, int height, int i) {
  prefetchRowsAhead(source, sourceSize, corners, width, height, i);
  const TileRowEnds ends = tileRowEnds(corners, height, i);
  const TileRowWalk walk = tileRowWalk(ends, width);
  if (wellInside(ends, sourceSize)) {
    copyInsideTileRow(out, source, sourceSize, walk, width);
    return;
  }
  const auto sourceStride = static_cast<std::ptrdiff_t>(3) * sourceSize.width;
  float column = walk.start.column;
  float row = walk.start.row;
  for (int j = 0; j < width; ++j, out += 3, column += walk.step.column, row += walk.step.row) {
    if (insideSource(column, row, sourceSize)) {
      const std::uint8_t* in =
          source + sourceStride * static_cast<int>(row) + 3 * static_cast<int>(column);
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
    } else {
      out[0] = out[1] = out[2] = 0;
    }
  }
}

#if defined(__x86_64__)
// Up to eight tile rows of one canvas row, all kTileSize wide and well inside the source, to be
// copied side by side: a vector lane each, every lane's point advancing by the same
// single-precision additions as copyInsideTileRow's, so that every pixel comes from the same
// source pixel.
struct EightTileRows {
  alignas(32) float column[8];
  alignas(32) float row[8];
  alignas(32) float stepColumn[8];
  alignas(32) float stepRow[8];
  std::uint8_t* out[8];
  int count = 0;

  // Takes one more tile row; true once all eight lanes are taken.
  bool add(std::uint8_t* target, TileRowWalk walk) {
    column[count] = walk.start.column;
    row[count] = walk.start.row;
    stepColumn[count] = walk.step.column;
    stepRow[count] = walk.step.row;
    out[count] = target;
    return ++count == 8;
  }
  TileRowWalk walk(int k) const { return {{column[k], row[k]}, {stepColumn[k], stepRow[k]}}; }
};

bool hasEightLaneVectors() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

__attribute__((target("avx2"))) void copyEightTileRows(const EightTileRows& rows,
                                                       const std::uint8_t* source,
                                                       int sourceStride) {
  __m256 column = _mm256_load_ps(rows.column);
  __m256 row = _mm256_load_ps(rows.row);
  const __m256 stepColumn = _mm256_load_ps(rows.stepColumn);
  const __m256 stepRow = _mm256_load_ps(rows.stepRow);
  const __m256i stride = _mm256_set1_epi32(sourceStride);
  alignas(32) std::int32_t offset[8];
  for (int j = 0; j < kTileSize; ++j) {
    const __m256i c = _mm256_cvttps_epi32(column);
    const __m256i r = _mm256_cvttps_epi32(row);
    _mm256_store_si256(reinterpret_cast<__m256i*>(offset),
                       _mm256_add_epi32(_mm256_mullo_epi32(r, stride),
                                        _mm256_add_epi32(c, _mm256_add_epi32(c, c))));
    // Four bytes a pixel where the next pixel of the row overwrites the fourth.
    if (j + 1 < kTileSize) {
      for (int k = 0; k < 8; ++k) {
        std::uint32_t pixel;
        std::memcpy(&pixel, source + offset[k], 4);
        std::memcpy(rows.out[k] + 3 * j, &pixel, 4);
      }
    } else {
      for (int k = 0; k < 8; ++k) std::memcpy(rows.out[k] + 3 * j, source + offset[k], 3);
    }
    column = _mm256_add_ps(column, stepColumn);
    row = _mm256_add_ps(row, stepRow);
  }
}
#endif
}  // namespace

void warpTile(std::uint8_t* canvas, std::ptrdiff_t canvasStride, const std::uint8_t* source,
              ImageSize sourceSize, const TileCorners& corners, int width, int height) {
  for (int i = 0; i < height; ++i)
    warpTileRow(canvas + canvasStride * i, source, sourceSize, corners, width, height, i);
}

namespace {

// Where the bands of a projection are painted: canvas columns below `split` (a multiple of the
// tile width) into the canvas, the others straight into the panorama at column `column` + x.
struct BandTargets {
  std::uint8_t* canvas = nullptr;    // W x H, rows 3W bytes apart
  std::uint8_t* panorama = nullptr;  // P x H in `strips`; null when split >= W
  ColumnStrips strips;
  int split = 0;
};

// 0, kTileSize, 2 kTileSize, ... and `length` itself: where tiles start, and the end.
std::vector<int> tileEdges(int length) {
  std::vector<int> edges;
  for (int e = 0; e < length; e += kTileSize) edges.push_back(e);
  edges.push_back(length);
  return edges;
}

bool projectBands(const std::uint8_t* source, ImageSize size, const CameraRecord& record,
                  int column, HorizonLine horizon, IProgress* progress, const BandTargets& targets,
                  int workers, [[maybe_unused]] WarpVectors vectors = WarpVectors::Widest) {
  const std::vector<int> rowEdges = tileEdges(size.height);
  const std::vector<int> columnEdges = tileEdges(size.width);
  const CanvasMapping mapping(record, size, column, horizon);
  // corners[k][t]: the source point of column edge k at row edge t.
  std::vector<std::vector<SourcePoint>> corners(columnEdges.size(),
                                                std::vector<SourcePoint>(rowEdges.size()));
  for (std::size_t k = 0; k < columnEdges.size(); ++k)
    mapping.mapColumn(columnEdges[k], rowEdges, corners[k]);

#if defined(__x86_64__)
  const bool eightLanes =
      vectors == WarpVectors::Widest && hasEightLaneVectors() &&
      std::int64_t{3} * size.width * size.height <= std::numeric_limits<std::int32_t>::max();
#endif
  // A band is a row of tiles, painted one canvas row at a time across all its tiles so that
  // the source and the targets are read and written along their rows.
  const auto paintBand = [&](int t) {
    const auto band = static_cast<std::size_t>(t);
    const int top = rowEdges[band];
    const int height = rowEdges[band + 1] - top;
    for (int i = 0; i < height; ++i) {
#if defined(__x86_64__)
      EightTileRows lanes;
#endif
      for (std::size_t k = 0; k + 1 < columnEdges.size(); ++k) {
        const int x0 = columnEdges[k];
        const int width = columnEdges[k + 1] - x0;
        const TileCorners tile{corners[k][band], corners[k + 1][band], corners[k][band + 1],
                               corners[k + 1][band + 1]};
        std::uint8_t* out = targets.canvas + pixelOffset(x0, top + i, size.width);
        if (x0 >= targets.split) {
          const int at = column + x0;
          out = targets.panorama + targets.strips.offset(at, top + i);
          if (((at + width - 1) >> targets.strips.shift) != (at >> targets.strips.shift)) {
            // A tile row across the end of a strip is painted aside and copied in two parts.
            std::array<std::uint8_t, 3 * kTileSize> aside;
            warpTileRow(aside.data(), source, size, tile, width, height, i);
            targets.strips.forEachRun(at, at + width, [&](int from, int count) {
              std::memcpy(targets.panorama + targets.strips.offset(from, top + i),
                          aside.data() + 3 * (from - at), 3 * static_cast<std::size_t>(count));
            });
            continue;
          }
        }
#if defined(__x86_64__)
        const TileRowEnds ends = tileRowEnds(tile, height, i);
        if (eightLanes && width == kTileSize && wellInside(ends, size)) {
          prefetchRowsAhead(source, size, tile, width, height, i);
          if (lanes.add(out, tileRowWalk(ends, width))) {
            copyEightTileRows(lanes, source, 3 * size.width);
            lanes.count = 0;
          }
          continue;
        }
#endif
        warpTileRow(out, source, size, tile, width, height, i);
      }
#if defined(__x86_64__)
      for (int k = 0; k < lanes.count; ++k)
        copyInsideTileRow(lanes.out[k], source, size, lanes.walk(k), kTileSize);
#endif
    }
  };
  const int bands = static_cast<int>(rowEdges.size()) - 1;
  return runBands(workers, bands, paintBand, [&](int t) {
    return reportStop(progress,
                      static_cast<double>(rowEdges[static_cast<std::size_t>(t) + 1]) / size.height);
  });
}

// The first canvas column at or past `column` that starts a band.
int bandStart(int column) {
  return (column + kTileSize - 1) / kTileSize * kTileSize;
}

}  // namespace

bool projectImage(const RgbImage& source, RgbImage& canvas, ImageSize size,
                  const CameraRecord& record, int column, HorizonLine horizon, IProgress* progress,
                  int workers, WarpVectors vectors) {
  return projectBands(source.data(), size, record, column, horizon, progress,
                      {canvas.data(), nullptr, {}, size.width}, workers, vectors);
}

void wrapBlend(std::span<std::uint8_t> panorama, ImageSize panoramaSize, int photoWidth,
               int closingColumn, int workers, std::optional<ColumnStrips> strips) {
  const ColumnStrips layout = strips.value_or(ColumnStrips::rows(panoramaSize.width));
  const int width = std::min(photoWidth, panoramaSize.width - closingColumn);
  const auto blendRow = [&](int r) {
    for (int j = 0; j < width; ++j) {
      std::uint8_t* left = panorama.data() + layout.offset(j, r);
      std::uint8_t* right = panorama.data() + layout.offset(closingColumn + j, r);
      const bool leftEmpty = (left[0] | left[1] | left[2]) == 0;
      const bool rightEmpty = (right[0] | right[1] | right[2]) == 0;
      for (int ch = 0; ch < 3; ++ch) {
        std::uint8_t value;
        if (leftEmpty)
          value = right[ch];
        else if (rightEmpty)
          value = left[ch];
        else
          value =
              static_cast<std::uint8_t>((j * left[ch] + (photoWidth - j) * right[ch]) / photoWidth);
        left[ch] = right[ch] = value;
      }
    }
  };
  const int bands = (panoramaSize.height + kTileSize - 1) / kTileSize;
  runBands(
      workers, bands,
      [&](int band) {
        const int end = std::min(panoramaSize.height, (band + 1) * kTileSize);
        for (int r = band * kTileSize; r < end; ++r) blendRow(r);
      },
      [](int) { return false; });
}

CropRect cropWindow(ImageSize panoramaSize, CropRect rect, CropWidth rule) {
  CropRect window;
  window.left = std::clamp(rect.left, 0, panoramaSize.width);
  window.top = std::clamp(rect.top, 0, panoramaSize.height);
  window.right = std::clamp(rect.right, window.left, panoramaSize.width);
  window.bottom = std::clamp(rect.bottom, window.top, panoramaSize.height);
  if (rule == CropWidth::MultipleOf4Above1000 && window.right - window.left > kExactWidthLimit)
    window.right -= (window.right - window.left) % 4;
  return window;
}

void packPanorama(ComposedPanorama& panorama) {
  const auto rowBytes = static_cast<std::size_t>(3 * panorama.size.width);
  const auto height = static_cast<std::size_t>(panorama.size.height);
  const auto stride = static_cast<std::size_t>(panorama.stride);
  // Rows only ever move towards the front: each lands where no row still to move lies.
  if (panorama.first != 0 || stride != rowBytes)
    for (std::size_t r = 0; r < height; ++r)
      std::memmove(panorama.pixels.data() + rowBytes * r,
                   panorama.pixels.data() + panorama.first + stride * r, rowBytes);
  panorama.pixels.resize(rowBytes * height);
  panorama.first = 0;
  panorama.stride = static_cast<std::ptrdiff_t>(rowBytes);
}

ComposedPanorama singlePhotoPanorama(imaging::Bitmap& photo) {
  ComposedPanorama panorama;
  panorama.size = {photo.width(), photo.height()};
  panorama.pixels = makeUnfilledRgbImage(panorama.size);
  readPhotoPixels(photo, panorama.pixels.data(), panorama.size);
  photo.release();
  panorama.stride = 3 * std::ptrdiff_t{panorama.size.width};
  panorama.crop = {0, 0, panorama.size.width, panorama.size.height};
  return panorama;
}

namespace {

// The rows one column holds from its first filled pixel to its last, inside top..bottom - 1.
struct FilledRows {
  int top = 0;
  int bottom = 0;
};

// The rows each column of `rect` holds from its first filled pixel to its last ({bottom, bottom}
// for a column with none), found along the panorama's rows: from the top down, then from the
// bottom up, each row looking only at the columns still without a filled pixel.
std::vector<FilledRows> filledColumns(std::span<const std::uint8_t> panorama, ImageSize size,
                                      CropRect rect) {
  const auto width = static_cast<std::size_t>(rect.right - rect.left);
  std::vector<FilledRows> columns(width, FilledRows{rect.bottom, rect.bottom});
  std::vector<int> pending(width);
  std::iota(pending.begin(), pending.end(), 0);
  const auto scan = [&](int row, auto&& found) {
    const std::uint8_t* pixels = panorama.data() + pixelOffset(rect.left, row, size.width);
    std::size_t left = 0;
    for (const int k : pending) {
      const std::uint8_t* pixel = pixels + 3 * std::ptrdiff_t{k};
      if ((pixel[0] | pixel[1] | pixel[2]) != 0)
        found(columns[static_cast<std::size_t>(k)]);
      else
        pending[left++] = k;
    }
    pending.resize(left);
  };
  for (int row = rect.top; row < rect.bottom && !pending.empty(); ++row)
    scan(row, [row](FilledRows& rows) { rows.top = row; });
  pending.clear();
  for (std::size_t k = 0; k < width; ++k)
    if (columns[k].top < rect.bottom) pending.push_back(static_cast<int>(k));
  for (int row = rect.bottom - 1; !pending.empty(); --row)
    scan(row, [row](FilledRows& rows) { rows.bottom = row + 1; });
  return columns;
}

// The rows every column of a run holds, as the run grows from one end.
std::vector<FilledRows> commonRowsGrowing(const std::vector<FilledRows>& columns, int from, int to,
                                          int step) {
  std::vector<FilledRows> common;
  FilledRows rows{std::numeric_limits<int>::min(), std::numeric_limits<int>::max()};
  common.push_back(rows);
  for (int column = from; column != to; column += step) {
    rows.top = std::max(rows.top, columns[static_cast<std::size_t>(column)].top);
    rows.bottom = std::min(rows.bottom, columns[static_cast<std::size_t>(column)].bottom);
    common.push_back(rows);
  }
  return common;
}

}  // namespace

CropRect filledRect(std::span<const std::uint8_t> panorama, ImageSize panoramaSize, CropRect rect,
                    int sideLimit) {
  const int width = rect.right - rect.left;
  if (width <= 0 || rect.bottom <= rect.top) return {rect.left, rect.top, rect.left, rect.top};
  const std::vector<FilledRows> columns = filledColumns(panorama, panoramaSize, rect);

  // Columns that may be cut lie within `side` of either end; those between always stay.
  const int side = std::clamp(sideLimit, 0, width / 3);
  // leftCommon[k]: the rows common to columns side - k .. side - 1 (k columns kept on the left
  // of the middle); rightCommon[k]: those of the k columns right of the middle.
  const std::vector<FilledRows> leftCommon = commonRowsGrowing(columns, side - 1, -1, -1);
  const std::vector<FilledRows> rightCommon = commonRowsGrowing(columns, width - side, width, 1);
  const FilledRows middle = commonRowsGrowing(columns, side, width - side, 1).back();

  CropRect best{rect.left, rect.top, rect.left, rect.top};
  std::int64_t bestArea = 0;
  for (int keptLeft = side; keptLeft >= 0; --keptLeft) {
    const FilledRows& l = leftCommon[static_cast<std::size_t>(keptLeft)];
    const int leftTop = std::max(l.top, middle.top);
    const int leftBottom = std::min(l.bottom, middle.bottom);
    // Fewer columns on the right keep no more rows than these: once even these rows over the
    // columns kept cannot beat the best, no narrower rectangle can.
    const std::int64_t mostRows = std::max(0, leftBottom - leftTop);
    for (int keptRight = side; keptRight >= 0; --keptRight) {
      const int kept = width - 2 * side + keptLeft + keptRight;
      if (kept * mostRows <= bestArea) break;
      const FilledRows& r = rightCommon[static_cast<std::size_t>(keptRight)];
      const int top = std::max(leftTop, r.top);
      const int bottom = std::min(leftBottom, r.bottom);
      const std::int64_t area = std::int64_t{kept} * std::max(0, bottom - top);
      if (area > bestArea) {
        bestArea = area;
        best = {rect.left + side - keptLeft, top, rect.left + width - side + keptRight, bottom};
      }
    }
  }
  return best;
}

std::optional<ComposedPanorama> composePanorama(std::span<imaging::Bitmap* const> photos,
                                                std::span<const CameraRecord> records,
                                                const StitchParams& params, IProgress* progress,
                                                int workers, DecodedPhotos* decoded) {
  const int n = static_cast<int>(photos.size());
  if (n == 0) return std::nullopt;
  const ImageSize size{photos[0]->width(), photos[0]->height()};
  if (size.width <= 0 || size.height <= 0) return std::nullopt;
  const bool fullCircle = params.full360 != 0;
  const int last = fullCircle ? n : n - 1;
  if (records.size() < static_cast<std::size_t>(last) + 1)
    throw std::invalid_argument("composePanorama needs a camera record per placed photograph");
  const auto placed = records.first(static_cast<std::size_t>(last) + 1);

  const CylinderScale scale = cylinderScale(records[0].focal, size.width);
  std::vector<double> positions = panoramaPositions(placed, scale.radiansPerColumn, fullCircle);
  const HorizonLine horizon = horizonLine(placed, positions, scale.radiansPerColumn, n);
  if (reportStop(progress, 0, std::string(engineText(EngineText::StitchingImages)).c_str()))
    return std::nullopt;

  for (double& position : positions) position -= positions[0];
  std::vector<int> columns;
  for (double position : positions) columns.push_back(roundedColumn(position));
  ComposedPanorama result;
  const ImageSize panoramaSize{panoramaWidth(positions.back(), size.width), size.height};
  if (decoded != nullptr)
    decoded->fitPanorama(static_cast<double>(panoramaSize.width) / size.width);
  PhotoReader reader(photos, size, workers > 1 && !fullCircle, decoded);
  // Nothing here is filled when made: the projections write every canvas column they own, and
  // every panorama column is written, photograph by photograph from left to right, before the
  // seam reads it: by a projection or a copy of a canvas, or emptied where no photograph puts
  // every pixel (between photographs that do not meet, the columns before a band start, the
  // columns after the last photograph that round the width up to whole strips).
  // The panorama is composed in column strips: the kept photographs are freed as its columns
  // fill, and its memory is touched only as far as they are painted.
  const ColumnStrips strips = ColumnStrips::strips(panoramaSize.height);
  const ImageSize rowsSize{stripsWidth(panoramaSize.width), panoramaSize.height};
  result.pixels = makeUnfilledRgbImage(rowsSize);
  UnfilledRgbImage canvas = makeUnfilledRgbImage(size);
  // Panorama columns left of this one are written in every row.
  int painted = 0;

  const int steps = fullCircle ? n + 1 : n;
  // Runs one step of the composition inside its share of the progress range; false when the
  // progress object asked to stop.
  auto step = [&](int index, auto&& body) {
    pushRange(progress, static_cast<double>(index) / steps, static_cast<double>(index + 1) / steps);
    const bool done = !reportStop(progress, 0) && body();
    popRange(progress);
    return done;
  };
  // What the panorama does not take of a painted photograph's memory goes back to the system on
  // another thread, beside the seam that follows: giving back 36 MB takes milliseconds, in which
  // the seam's search, on this thread alone, would leave the other cores idle. It is back before
  // the next photograph is painted, so that the peak stays where it was.
  std::future<void> freeing;
  // Paints photograph `index` with canvas columns from `split` on (a band start) straight into
  // the panorama, where it is still empty.
  auto paint = [&](int index, UnfilledRgbImage& target, int split) {
    if (freeing.valid()) freeing.get();
    const bool done =
        projectBands(reader.take(index).data(), size, records[static_cast<std::size_t>(index)],
                     columns[static_cast<std::size_t>(index)], horizon, progress,
                     {target.data(), result.pixels.data(), strips, split}, workers);
    if (!done) return false;
    UnfilledRgbImage freed = reader.painted(index);
    // The columns the next step paints past these take over the painted photograph's memory:
    // new memory would first be cleared by the kernel, and on a virtual machine backed by the
    // hypervisor, at a cost of milliseconds per megabyte.
    const auto next = static_cast<std::size_t>(index) + 1;
    if (!freed.empty() && next < columns.size()) {
      const int reach = std::max(painted, columns[static_cast<std::size_t>(index)] + size.width);
      movePixelPages(freed, result.pixels, strips.inRow(stripsWidth(reach)),
                     strips.inRow(stripsWidth(columns[next] + size.width)));
    }
    if (workers > 1 && !freed.empty())
      freeing = startBeside([pixels = std::move(freed)]() mutable { pixels = UnfilledRgbImage(); });
    return true;
  };

  // The closing copy of a full circle is photograph 0 projected at column 0 again: its canvas
  // is kept instead of decoding and projecting the photograph a second time. Otherwise
  // photograph 0 is projected straight into the empty panorama.
  UnfilledRgbImage closingCanvas;
  const bool firstPainted = step(0, [&] {
    if (!fullCircle) return paint(0, canvas, 0);
    if (!paint(0, canvas, size.width)) return false;
    copyIntoPanorama(canvas, size, 0, result.pixels, strips, columns[0]);
    return true;
  });
  if (!firstPainted) return std::nullopt;
  painted = columns[0] + size.width;
  if (fullCircle) {
    closingCanvas = std::move(canvas);
    canvas = makeUnfilledRgbImage(size);
  }

  CropRows rows{0, size.height};
  for (int e = 1; e < n; ++e) {
    const int a = columns[static_cast<std::size_t>(e)];
    const int b = columns[static_cast<std::size_t>(e - 1)];
    // Nothing lies right of the previous photograph yet: canvas columns from there on go
    // straight into the panorama.
    const int split = std::min(bandStart(std::max(painted - a, 0)), size.width);
    const bool joined = step(e, [&] {
      emptyColumns(result.pixels, strips, panoramaSize.height, painted, a + split);
      if (!paint(e, canvas, split)) return false;
      result.joints.push_back(blendSeam(result.pixels, panoramaSize, canvas, size, a, b,
                                        params.blendPixels, rows, split, workers, strips));
      return true;
    });
    if (!joined) return std::nullopt;
    painted = a + size.width;
  }
  canvas = UnfilledRgbImage();
  reader.finish();

  CropRect rect{0, 0, panoramaSize.width, panoramaSize.height};
  if (fullCircle) {
    const int closing = columns.back();
    const bool closed = step(n, [&] {
      // Like a projection's, the closing canvas's columns right of the last photograph go
      // straight into the panorama.
      const int split = std::clamp(painted - closing, 0, size.width);
      emptyColumns(result.pixels, strips, panoramaSize.height, painted, closing + split);
      copyIntoPanorama(closingCanvas, size, split, result.pixels, strips, closing);
      result.joints.push_back(blendSeam(result.pixels, panoramaSize, closingCanvas, size, closing,
                                        columns[static_cast<std::size_t>(n - 1)],
                                        params.blendPixels, rows, split, workers, strips));
      wrapBlend(result.pixels, panoramaSize, size.width, closing, workers, strips);
      return true;
    });
    if (!closed) return std::nullopt;
    painted = closing + size.width;
    // Exactly one turn: the column after the last one kept is the first one kept.
    rect.left = size.width / 2;
    rect.right = closing + size.width / 2;
    result.angle = kTurn;
  } else {
    result.angle = std::min(panoramaSize.width * scale.radiansPerColumn, kTurn);
  }
  emptyColumns(result.pixels, strips, panoramaSize.height, painted, rowsSize.width);
  stripsToRows(result.pixels, rowsSize.width / strips.stripColumns(), rowsSize.height, workers);
  // Its rows are as wide as its strips: the columns past its width are empty.
  result.stride = 3 * std::ptrdiff_t{rowsSize.width};

  const bool enoughCommonRows = rows.bottom - rows.top >= kLeastCommonRows;
  if (!enoughCommonRows && !fullCircle) {
    result.size = panoramaSize;
    result.crop = rect;
    return result;
  }
  if (enoughCommonRows && params.crop != 0) {
    rect.top = rows.top;
    rect.bottom = rows.bottom;
    // The seams' rows still leave the photos' bent and tilted edges at the ends and between
    // the seams; a full turn keeps all its columns so that its ends meet.
    const CropRect filled =
        filledRect(result.pixels, rowsSize, rect, fullCircle ? 0 : size.width / 2);
    if (filled.bottom - filled.top >= kLeastCommonRows) rect = filled;
  }
  result.crop = cropWindow(panoramaSize, rect,
                           fullCircle ? CropWidth::Exact : CropWidth::MultipleOf4Above1000);
  result.size = {result.crop.right - result.crop.left, result.crop.bottom - result.crop.top};
  result.first = pixelOffset(result.crop.left, result.crop.top, rowsSize.width);
  // The field of view is that of the columns kept.
  if (!fullCircle) result.angle = std::min(result.size.width * scale.radiansPerColumn, kTurn);
  return result;
}

}  // namespace skylacer
