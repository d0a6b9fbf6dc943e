// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/blend.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
#include <type_traits>
#include <utility>

#include "engine/parallel.h"

namespace skylacer {

namespace {

constexpr int kSearchReach = 8;      // candidates t - 8 .. t + 8
constexpr int kStripWidth = 32;      // pixels compared per candidate
constexpr int kEmptyPenalty = 1000;  // per compared pair with an empty pixel
constexpr std::int64_t kMoveCost = 10000;
constexpr int kJointOffset = 16;  // the cross-fade starts this far right of the seam
constexpr int kJointWidth = 16;
constexpr int kPanoramaReach = 31;       // the panorama side's walk starts at seam + 31
constexpr int kPanoramaSlack = 13;       // ... and covers at most a + t + 13 pixels
constexpr int kEdgeDivisor = 400;        // squared neighbour difference per unit of distance
constexpr int kStartingRowsDivisor = 4;  // the starting correction reads the upper quarter
constexpr int kStartingLeastPairs = 6;
constexpr double kCarriedWeight = 138;
constexpr double kCorrectionDivisor = 140;
constexpr int kJoinBandRows = 64;  // rows a worker joins at a time

// One row of a picture: `width` pixels of blue, green, red, in `strips` from `pixels` on.
// Columns outside 0..width-1, and columns at or past `readable`, read as empty. Columns at or
// past `split` lie in `spill`, another picture's row in `spillStrips`, at column + spillColumn.
template <typename Byte>
struct RowView {
  Byte* pixels;
  int width;
  int readable = width;
  ColumnStrips strips = ColumnStrips::rows(width);
  Byte* spill = nullptr;
  int split = width;
  int spillColumn = 0;
  ColumnStrips spillStrips{};

  bool empty(int column) const {
    if (column < 0 || column >= readable) return true;
    const std::uint8_t* p = at(column);
    return (p[0] | p[1] | p[2]) == 0;
  }
  Byte* at(int column) const {
    return column < split ? pixels + strips.inRow(column)
                          : spill + spillStrips.inRow(column + spillColumn);
  }
  // A channel value, 0 where the row reads as empty for being outside.
  int value(int column, int channel) const {
    return column < 0 || column >= readable ? 0 : at(column)[channel];
  }
};

using Row = RowView<std::uint8_t>;
using ConstRow = RowView<const std::uint8_t>;

template <typename Image>
auto rowOf(Image& image, ImageSize size, ColumnStrips strips, int row) {
  using Byte = std::remove_pointer_t<decltype(image.data())>;
  return RowView<Byte>{image.data() + strips.rowBytes * static_cast<std::size_t>(row), size.width,
                       size.width, strips};
}

// Row r of the panorama and of the canvas as the seam sees them: canvas columns from `split` on
// lie in the panorama at a + column, and the panorama reads as empty there.
template <typename Panorama>
auto seamRows(Panorama& panorama, ImageSize panoramaSize, ColumnStrips strips,
              std::span<const std::uint8_t> canvas, ImageSize canvasSize, int a, int split,
              int row) {
  auto panoramaRow = rowOf(panorama, panoramaSize, strips, row);
  panoramaRow.readable = std::min(panoramaRow.width, a + canvasSize.width);
  ConstRow canvasRow = rowOf(canvas, canvasSize, ColumnStrips::rows(canvasSize.width), row);
  if (split < canvasSize.width) {
    panoramaRow.readable = std::min(panoramaRow.width, a + split);
    canvasRow.spill = panoramaRow.pixels;
    canvasRow.split = split;
    canvasRow.spillColumn = a;
    canvasRow.spillStrips = strips;
  }
  return std::pair{panoramaRow, canvasRow};
}

std::uint8_t roundToByte(double value) {
  value += 0.5;
  if (!(value > 0)) return 0;
  if (value >= 255) return 255;
  return static_cast<std::uint8_t>(value);
}

int squaredDifference(const std::uint8_t* p, const std::uint8_t* q) {
  int sum = 0;
  for (int ch = 0; ch < 3; ++ch) sum += (p[ch] - q[ch]) * (p[ch] - q[ch]);
  return sum;
}

struct Candidate {
  int column = 0;
  int pairs = 0;
  std::int64_t cost = 0;
  std::array<int, 3> difference{};
};

// Running sums over the columns a row's candidates compare: entry c holds the pairs of
// non-empty pixels and the canvas-minus-panorama sums of columns first .. first + c - 1, so that
// each candidate's strip is the difference of two entries instead of a walk over its pixels.
struct StripSums {
  static constexpr int kColumns = 2 * kSearchReach + kStripWidth;
  int first = 0;
  std::array<int, kColumns + 1> pairs{};
  std::array<std::array<int, 3>, kColumns + 1> difference{};

  StripSums(const ConstRow& panorama, const ConstRow& canvas, int a, int firstColumn)
      : first(firstColumn) {
    for (int i = 0; i < kColumns; ++i) {
      const int c = first + i;
      const auto at = static_cast<std::size_t>(i);
      pairs[at + 1] = pairs[at];
      difference[at + 1] = difference[at];
      if (canvas.empty(c) || panorama.empty(a + c)) continue;
      ++pairs[at + 1];
      const std::uint8_t* p = panorama.at(a + c);
      const std::uint8_t* q = canvas.at(c);
      for (std::size_t ch = 0; ch < 3; ++ch) difference[at + 1][ch] += q[ch] - p[ch];
    }
  }

  // The strip of kStripWidth columns from `column` (first .. first + 2 kSearchReach), scored
  // against a move from the column carried from the row above.
  Candidate candidate(int column, int carried) const {
    const auto from = static_cast<std::size_t>(column - first);
    const std::size_t to = from + kStripWidth;
    Candidate result;
    result.column = column;
    result.pairs = pairs[to] - pairs[from];
    const std::int64_t emptyCost = std::int64_t{kStripWidth - result.pairs} * kEmptyPenalty;
    const std::int64_t move = column - carried;
    result.cost =
        move * move * kMoveCost + emptyCost * emptyCost - std::int64_t{result.pairs} * result.pairs;
    for (std::size_t ch = 0; ch < 3; ++ch) {
      result.difference[ch] = difference[to][ch] - difference[from][ch];
      result.cost += std::int64_t{result.difference[ch]} * result.difference[ch];
    }
    return result;
  }
};

// Start of the overlap's middle, less `reach` / 2, in canvas columns; 0 at least.
int overlapMiddle(int canvasWidth, int a, int b, int reach) {
  return std::max(0, (canvasWidth - a + b - reach) / 2);
}

// The running colour correction of one seam: canvas minus panorama, halved, per channel.
struct Correction {
  std::array<double, 3> channel{};
  double inverseWidth = 0;
  int width = 0;

  // The share of the correction that is left at distance d from the seam: (W - d) / W.
  double fade(int d) const { return (width - d) * inverseWidth; }
  // Whether the correction at distance d can still change a byte: a shift of less than half a
  // unit rounds back to the value it was applied to.
  bool changesAt(int d) const {
    const double largest =
        std::max({std::fabs(channel[0]), std::fabs(channel[1]), std::fabs(channel[2])});
    return largest * fade(d) >= 0.5;
  }
  // The last distance 0..width at which the correction still changes a byte, -1 for none. The
  // fade only shrinks with the distance, so it changes bytes at exactly the distances up to it.
  int lastChangingDistance() const {
    if (!changesAt(0)) return -1;
    int changing = 0;
    int unchanging = width + 1;
    while (unchanging - changing > 1) {
      const int middle = changing + (unchanging - changing) / 2;
      (changesAt(middle) ? changing : unchanging) = middle;
    }
    return changing;
  }
};

Correction startingCorrection(const std::vector<SeamRow>& seam, int canvasWidth, int height) {
  Correction correction;
  correction.width = canvasWidth;
  correction.inverseWidth = 1.0 / canvasWidth;
  std::array<double, 3> sum{};
  int rows = 0;
  for (int r = 0; r < height / kStartingRowsDivisor; ++r) {
    if (seam[static_cast<std::size_t>(r)].pairs <= kStartingLeastPairs) continue;
    for (int ch = 0; ch < 3; ++ch) sum[ch] += seam[static_cast<std::size_t>(r)].meanDifference[ch];
    ++rows;
  }
  if (rows > 0)
    for (int ch = 0; ch < 3; ++ch) correction.channel[ch] = sum[ch] / (2.0 * rows);
  return correction;
}

// Moves the panorama left of the seam towards the canvas, walking left from column start with
// the distance growing by one per pixel and faster across edges, up to `reach`. Each step waits
// for the one before (a pixel's correction sets how far the next lies), so the walks of several
// rows are stepped side by side, for the processor to overlap them.
class PanoramaSideWalk {
 public:
  PanoramaSideWalk() = default;
  PanoramaSideWalk(const Row& panorama, int start, int reach, const Correction& c)
      : panorama_(panorama),
        correction_(&c),
        x_(start),
        reach_(reach),
        lastChanging_(c.lastChangingDistance()) {}

  bool going() const { return d_ < reach_ && x_ >= 0 && d_ <= lastChanging_; }

  void step() {
    if (!panorama_.empty(x_)) {
      std::uint8_t* p = panorama_.at(x_);
      const double fade = correction_->fade(d_);
      for (int ch = 0; ch < 3; ++ch) p[ch] = roundToByte(p[ch] + correction_->channel[ch] * fade);
    }
    if (!panorama_.empty(x_ - 1)) {
      int edge = 0;
      for (int ch = 0; ch < 3; ++ch) {
        const int step = panorama_.value(x_ - 1, ch) - panorama_.value(x_, ch);
        edge += step * step;
      }
      d_ += edge / kEdgeDivisor;
    }
    ++d_;
    --x_;
  }

 private:
  Row panorama_{nullptr, 0};
  const Correction* correction_ = nullptr;
  int x_ = -1;
  int reach_ = 0;
  int lastChanging_ = -1;
  int d_ = 0;
};

// Rows whose panorama-side walks are stepped side by side.
constexpr int kRowsWalkedTogether = 4;

void walkPanoramaSides(std::span<PanoramaSideWalk> walks) {
  for (bool going = true; going;) {
    going = false;
    for (PanoramaSideWalk& walk : walks) {
      if (!walk.going()) continue;
      walk.step();
      going = true;
    }
  }
}

// The canvas pixel at `column` with its correction at distance d, after d has taken the edge to
// its right neighbour into account (capped at the canvas width).
struct CorrectedPixel {
  std::array<double, 3> value;
};

inline CorrectedPixel correctCanvasPixel(const ConstRow& canvas, int column, int& d,
                                         const Correction& c) {
  const std::uint8_t* q = canvas.at(column);
  if (!canvas.empty(column + 1)) d += squaredDifference(q, canvas.at(column + 1)) / kEdgeDivisor;
  d = std::min(d, c.width);
  const double fade = c.fade(d);
  CorrectedPixel pixel;
  for (int ch = 0; ch < 3; ++ch) pixel.value[ch] = q[ch] - c.channel[ch] * fade;
  return pixel;
}

// Canvas columns from..W-1 written over the panorama with their correction; d continues from
// the joint. Once the correction is too small to change a byte, pixels are copied.
void copyRestOfRow(const Row& panorama, const ConstRow& canvas, int a, int from, int d,
                   const Correction& c) {
  const int end = std::min(canvas.width, panorama.width - a);
  const int lastChanging = c.lastChangingDistance();
  int column = std::max(from, 0);
  for (; column < end && std::min(d, c.width) <= lastChanging; ++column, ++d) {
    if (canvas.empty(column)) continue;
    const CorrectedPixel pixel = correctCanvasPixel(canvas, column, d, c);
    std::uint8_t* p = panorama.at(a + column);
    for (int ch = 0; ch < 3; ++ch) p[ch] = roundToByte(pixel.value[ch]);
  }
  // Runs of non-empty canvas pixels are copied as blocks; the empty ones between them are
  // skipped.
  auto emptyAt = [&](int x) {
    const std::uint8_t* q = canvas.at(x);
    return (q[0] | q[1] | q[2]) == 0;
  };
  // Canvas columns from the split on lie in the panorama already, empty ones over empty ones.
  const int copyEnd = std::min(end, canvas.split);
  while (column < copyEnd) {
    int runEnd = column;
    while (runEnd < copyEnd && !emptyAt(runEnd)) ++runEnd;
    panorama.strips.forEachRun(a + column, a + runEnd, [&](int at, int count) {
      std::memcpy(panorama.at(at), canvas.at(at - a), 3 * static_cast<std::size_t>(count));
    });
    column = runEnd;
    while (column < copyEnd && emptyAt(column)) ++column;
  }
}

// The correction a row joins with: the one carried from the row above, drawn towards the colour
// difference the seam found in this row.
Correction carriedCorrection(Correction c, const SeamRow& seam) {
  if (seam.pairs > 0)
    for (int ch = 0; ch < 3; ++ch)
      c.channel[ch] =
          (seam.meanDifference[ch] + kCarriedWeight * c.channel[ch]) / kCorrectionDivisor;
  return c;
}

// Step 3 of the blend for one row comes in three parts, the walk of the panorama side in the
// middle (see blendSeam). First, the row's seam column moved onto pixels both sides hold.
int joinColumn(const Row& panorama, const ConstRow& canvas, int a, const SeamRow& seam) {
  int t = seam.column;
  if (seam.pairs > 0) {
    while (t < canvas.width - 1 && canvas.empty(t)) ++t;
    while (t > 0 && panorama.empty(a + t)) --t;
  }
  return t;
}

// Second, the walk of the panorama side from seam column t.
PanoramaSideWalk panoramaSideWalk(const Row& panorama, int a, int t, const Correction& c) {
  return {panorama, a + t + kPanoramaReach, std::min(a + t + kPanoramaSlack, c.width), c};
}

// Last, the cross-fade and the canvas side. Returns the panorama column where the cross-fade
// starts. None of the three reads or writes anything outside the row.
int finishJoin(const Row& panorama, const ConstRow& canvas, int a, const SeamRow& seam, int t,
               const Correction& c) {
  int joint = t + kJointOffset;
  if (seam.pairs > 0)
    while (joint > 0 && a + joint > 0 && panorama.empty(a + joint)) --joint;
  // Canvas columns left of the joint take no part in the join: where they were projected
  // straight into the panorama, it goes back to holding nothing there.
  for (int x = std::max(canvas.split, 0); x < std::min(joint, canvas.width); ++x)
    std::fill_n(panorama.at(a + x), 3, std::uint8_t{0});
  int d = 0;
  for (int j = 0; j < kJointWidth; ++j, ++d) {
    const int column = joint + j;
    if (canvas.empty(column) || a + column >= panorama.width) continue;
    const CorrectedPixel pixel = correctCanvasPixel(canvas, column, d, c);
    std::uint8_t* p = panorama.at(a + column);
    const bool under = !panorama.empty(a + column);
    for (int ch = 0; ch < 3; ++ch) {
      const double mixed =
          under ? ((kJointWidth - j) * p[ch] + j * pixel.value[ch]) / kJointWidth : pixel.value[ch];
      p[ch] = roundToByte(mixed);
    }
  }
  copyRestOfRow(panorama, canvas, a, joint + kJointWidth, d, c);
  return a + joint;
}

}  // namespace

std::vector<SeamRow> searchSeam(std::span<const std::uint8_t> panorama, ImageSize panoramaSize,
                                std::span<const std::uint8_t> canvas, ImageSize canvasSize, int a,
                                int b, int blendPixels, CropRows& rows, int canvasSplit,
                                std::optional<ColumnStrips> strips) {
  const ColumnStrips panoramaStrips = strips.value_or(ColumnStrips::rows(panoramaSize.width));
  const int width = canvasSize.width;
  const int height = canvasSize.height;
  std::vector<SeamRow> seam(static_cast<std::size_t>(std::max(height, 0)));
  int t = overlapMiddle(width, a, b, blendPixels);
  for (int r = 0; r < height; ++r) {
    const auto [panoramaRow, canvasRow] =
        seamRows(panorama, panoramaSize, panoramaStrips, canvas, canvasSize, a, canvasSplit, r);
    const int firstCandidate = std::max(t - kSearchReach, 0);
    const StripSums sums(panoramaRow, canvasRow, a, firstCandidate);
    Candidate best;
    for (int k = firstCandidate; k <= t + kSearchReach; ++k) {
      const Candidate candidate = sums.candidate(k, t);
      if (k == firstCandidate || candidate.cost < best.cost || candidate.pairs > best.pairs)
        best = candidate;
    }
    SeamRow& row = seam[static_cast<std::size_t>(r)];
    if (best.pairs > 0) {
      t = (t + best.column) / 2;
      for (int ch = 0; ch < 3; ++ch) row.meanDifference[ch] = best.difference[ch] / best.pairs;
    } else {
      t = overlapMiddle(width, a, b, kStripWidth);
      if (r > height / 2 && r < rows.bottom) rows.bottom = r;
      if (r < height / 2 && r > rows.top) rows.top = r;
    }
    row.column = t;
    row.pairs = best.pairs;
  }
  return seam;
}

std::vector<int> blendSeam(std::span<std::uint8_t> panorama, ImageSize panoramaSize,
                           std::span<const std::uint8_t> canvas, ImageSize canvasSize, int a, int b,
                           int blendPixels, CropRows& rows, int canvasSplit, int workers,
                           std::optional<ColumnStrips> strips) {
  const ColumnStrips panoramaStrips = strips.value_or(ColumnStrips::rows(panoramaSize.width));
  const std::vector<SeamRow> seam = searchSeam(panorama, panoramaSize, canvas, canvasSize, a, b,
                                               blendPixels, rows, canvasSplit, panoramaStrips);
  const int height = std::min(canvasSize.height, panoramaSize.height);
  // The correction is the only thing carried from row to row: with it worked out first, the
  // rows join independently of each other.
  std::vector<Correction> corrections;
  corrections.reserve(static_cast<std::size_t>(std::max(height, 0)));
  Correction correction = startingCorrection(seam, canvasSize.width, height);
  for (int r = 0; r < height; ++r) {
    correction = carriedCorrection(correction, seam[static_cast<std::size_t>(r)]);
    corrections.push_back(correction);
  }
  std::vector<int> joints(seam.size(), 0);
  const auto rowsOf = [&](int r) {
    return seamRows(panorama, panoramaSize, panoramaStrips, canvas, canvasSize, a, canvasSplit, r);
  };
  // The rows of a band are joined a few at a time, their panorama-side walks side by side.
  const auto joinBand = [&](int band) {
    const int end = std::min(height, (band + 1) * kJoinBandRows);
    for (int first = band * kJoinBandRows; first < end; first += kRowsWalkedTogether) {
      const int count = std::min(kRowsWalkedTogether, end - first);
      std::array<int, kRowsWalkedTogether> columns{};
      std::array<PanoramaSideWalk, kRowsWalkedTogether> walks{};
      for (int k = 0; k < count; ++k) {
        const auto [panoramaRow, canvasRow] = rowsOf(first + k);
        const auto row = static_cast<std::size_t>(first + k);
        const auto at = static_cast<std::size_t>(k);
        columns[at] = joinColumn(panoramaRow, canvasRow, a, seam[row]);
        walks[at] = panoramaSideWalk(panoramaRow, a, columns[at], corrections[row]);
      }
      walkPanoramaSides(std::span(walks).first(static_cast<std::size_t>(count)));
      for (int k = 0; k < count; ++k) {
        const auto [panoramaRow, canvasRow] = rowsOf(first + k);
        const auto row = static_cast<std::size_t>(first + k);
        joints[row] = finishJoin(panoramaRow, canvasRow, a, seam[row],
                                 columns[static_cast<std::size_t>(k)], corrections[row]);
      }
    }
  };
  runBands(workers, (height + kJoinBandRows - 1) / kJoinBandRows, joinBand,
           [](int) { return false; });
  return joints;
}

}  // namespace skylacer
