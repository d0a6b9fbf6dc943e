// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/coarse_search.h"

#include <algorithm>
#include <vector>

namespace skylacer {

std::int64_t overlapMinArea(ImageSize size, const StitchParams& params) {
  return std::int64_t{size.height} * params.overlapFrom * size.width / 100;
}

namespace {

struct OverlapSums {
  std::int64_t difference = 0;         // Σ (new - previous)
  std::int64_t energy = 0;             // Σ ((new - 384)² + (previous - 384)²)
  std::int64_t squaredDifference = 0;  // Σ (new - previous)²
};

// Running totals of a plane's values and squared values, centred on 384, from which the
// sums over any rectangle are read in constant time. Entry (x, y) of a table holds the total
// over columns 0..x-1 of rows 0..y-1; the tables are (width + 1) x (height + 1).
class CentredTotals {
 public:
  CentredTotals(const std::int16_t* plane, ImageSize size)
      : stride_(static_cast<std::size_t>(size.width) + 1),
        sums_(checkedElementCount({size.width + 1, size.height + 1}, 1)),
        squares_(sums_.size()) {
    for (int y = 0; y < size.height; ++y) {
      const std::int16_t* row = plane + static_cast<std::ptrdiff_t>(y) * size.width;
      std::int64_t rowSum = 0;
      std::int64_t rowSquares = 0;
      for (int x = 0; x < size.width; ++x) {
        const std::int64_t v = row[x] - kHighPassCentre;
        rowSum += v;
        rowSquares += v * v;
        const std::size_t at = index(x + 1, y + 1);
        sums_[at] = sums_[at - stride_] + rowSum;
        squares_[at] = squares_[at - stride_] + rowSquares;
      }
    }
  }

  // Over columns x0..x1-1 of rows y0..y1-1.
  std::int64_t sum(int x0, int y0, int x1, int y1) const { return total(sums_, x0, y0, x1, y1); }
  std::int64_t squares(int x0, int y0, int x1, int y1) const {
    return total(squares_, x0, y0, x1, y1);
  }

 private:
  std::size_t index(int x, int y) const {
    return static_cast<std::size_t>(y) * stride_ + static_cast<std::size_t>(x);
  }
  std::int64_t total(const std::vector<std::int64_t>& table, int x0, int y0, int x1, int y1) const {
    return table[index(x1, y1)] - table[index(x0, y1)] - table[index(x1, y0)] +
           table[index(x0, y0)];
  }

  std::size_t stride_;
  std::vector<std::int64_t> sums_;
  std::vector<std::int64_t> squares_;
};

// Planes whose values stay within this distance of 384 (every pyramid level does: a filtered
// level lies in -381..1149) centre into 16 bits with products below 2^20, so 32-bit partial
// sums of runs of kNarrowRun products cannot overflow.
constexpr int kNarrowReach = 1023;
constexpr int kNarrowRun = 1024;

bool withinNarrowReach(const std::int16_t* plane, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    if (plane[i] < kHighPassCentre - kNarrowReach || plane[i] > kHighPassCentre + kNarrowReach)
      return false;
  return true;
}

LumaImage centred(const std::int16_t* plane, std::size_t count) {
  LumaImage centredPlane(count);
  for (std::size_t i = 0; i < count; ++i)
    centredPlane[i] = static_cast<std::int16_t>(plane[i] - kHighPassCentre);
  return centredPlane;
}

// Σ next · prev over n pixels of values centred on 384: 64-bit arithmetic, right for any
// 16-bit values.
std::int64_t crossRowWide(const std::int16_t* next, const std::int16_t* prev, int n) {
  std::int64_t sum = 0;
  for (int x = 0; x < n; ++x)
    sum += (std::int64_t{next[x]} - kHighPassCentre) * (std::int64_t{prev[x]} - kHighPassCentre);
  return sum;
}

// The same over already centred values within kNarrowReach and n <= kNarrowRun: 32-bit sums of
// 16-bit products, which vectorize as multiply-adds of 16-bit pairs.
std::int64_t crossRowNarrow(const std::int16_t* next, const std::int16_t* prev, int n) {
  std::int32_t sum = 0;
  for (int x = 0; x < n; ++x) sum += static_cast<std::int32_t>(next[x]) * prev[x];
  return sum;
}

// Σ (new - 384)(previous - 384) over new pixels 0 <= x < overlapWidth of rows
// firstRow..endRow-1, each paired with the previous photograph's pixel (x + column, y + row).
// `narrow`: the planes are centred already and within kNarrowReach.
std::int64_t crossOverlap(const std::int16_t* previous, const std::int16_t* current, int width,
                          int column, int row, int overlapWidth, int firstRow, int endRow,
                          bool narrow) {
  std::int64_t sum = 0;
  for (int y = firstRow; y < endRow; ++y) {
    const std::int16_t* next = current + static_cast<std::ptrdiff_t>(y) * width;
    const std::int16_t* prev = previous + static_cast<std::ptrdiff_t>(y + row) * width + column;
    if (!narrow) {
      sum += crossRowWide(next, prev, overlapWidth);
      continue;
    }
    for (int x = 0; x < overlapWidth; x += kNarrowRun)
      sum += crossRowNarrow(next + x, prev + x, std::min(kNarrowRun, overlapWidth - x));
  }
  return sum;
}

}  // namespace

CoarseOffset coarseOverlapSearch(const std::int16_t* previous, const std::int16_t* current,
                                 ImageSize size, std::int64_t minArea, const StitchParams& params) {
  const int width = size.width;
  const int height = size.height;
  // An overlapTo above 100 from a hand-edited profile would start left of the plane; the
  // search then starts at complete overlap instead of reading outside the previous plane.
  const std::int64_t start =
      std::max<std::int64_t>((100 - std::int64_t{params.overlapTo}) * width / 100, 0);
  const int verticalLimit = height - 2 * height / 3;

  // Per offset only the cross term needs the pixels: with a and b the centred values,
  // Σ (a - b) = Σ a - Σ b, the energy Σ a² + Σ b², and Σ (a - b)² = Σ a² + Σ b² - 2 Σ ab, all
  // exact integers, so every score equals the one summed pixel by pixel.
  const std::size_t count = checkedElementCount(size, 1);
  const bool narrow = withinNarrowReach(previous, count) && withinNarrowReach(current, count);
  LumaImage centredPrevious, centredCurrent;
  if (narrow) {
    centredPrevious = centred(previous, count);
    centredCurrent = centred(current, count);
  }
  const std::int16_t* previousPixels = narrow ? centredPrevious.data() : previous;
  const std::int16_t* currentPixels = narrow ? centredCurrent.data() : current;
  const CentredTotals previousTotals(previous, size);
  const CentredTotals currentTotals(current, size);

  double bestScore = 18000;
  CoarseOffset best;
  for (std::int64_t column = start; column < width; column += 2) {
    const int overlapWidth = width - static_cast<int>(column);
    const std::int64_t rowsNeeded = minArea / overlapWidth;
    const std::int64_t lowest = std::max<std::int64_t>(-verticalLimit, rowsNeeded - height);
    const std::int64_t highest = std::min<std::int64_t>(verticalLimit, height - rowsNeeded);
    for (std::int64_t row = lowest; row <= highest; row += 2) {
      const int j = static_cast<int>(row);
      const int firstRow = std::max(-j, 0);
      const int endRow = height - std::max(j, 0);
      const std::int64_t pixels = std::int64_t{overlapWidth} * (endRow - firstRow);
      if (pixels < minArea) continue;
      const int x0 = static_cast<int>(column);
      const std::int64_t cross = crossOverlap(previousPixels, currentPixels, width, x0, j,
                                              overlapWidth, firstRow, endRow, narrow);
      const std::int64_t energy = currentTotals.squares(0, firstRow, overlapWidth, endRow) +
                                  previousTotals.squares(x0, firstRow + j, width, endRow + j);
      const OverlapSums sums{currentTotals.sum(0, firstRow, overlapWidth, endRow) -
                                 previousTotals.sum(x0, firstRow + j, width, endRow + j),
                             energy, energy - 2 * cross};
      const double mean = static_cast<double>(sums.difference) / static_cast<double>(pixels);
      const double q = static_cast<double>(sums.squaredDifference);
      const double e = static_cast<double>(sums.energy);
      const double score = params.meanRemovedSearch != 0
                               ? (q - static_cast<double>(sums.difference) * mean) / e
                               : q / e;
      if (score < bestScore) {
        bestScore = score;
        best.meanDiff = mean;
        best.column = static_cast<int>(column);
        best.row = j;
      }
    }
  }
  best.dx = -2.0 * best.column / width;
  best.dy = -2.0 * best.row / width;
  return best;
}

CoarseOffset searchCoarseOffset(const LumaPyramid& previous, const LumaPyramid& current,
                                const StitchParams& params) {
  const int coarsest = previous.coarsestLevel();
  const ImageSize coarseSize = previous.size(coarsest);
  return coarseOverlapSearch(previous.level(coarsest), current.level(coarsest), coarseSize,
                             overlapMinArea(coarseSize, params), params);
}

}  // namespace skylacer
