#include "engine/pyramid.h"

#include <algorithm>
#include <array>

namespace skylacer {

namespace {

constexpr int kBlurHalvings = 4;
constexpr int kHighPassCentre = 384;

}  // namespace

void highPassFilter(std::int16_t* plane, ImageSize size) {
  const std::size_t count = checkedElementCount(size, 1);
  if (count == 0) return;
  LumaImage a(plane, plane + count);
  LumaImage b(count);

  std::array<ImageSize, kBlurHalvings + 1> sizes;
  sizes[0] = size;
  for (int k = 1; k <= kBlurHalvings; ++k)
    sizes[k] = {(sizes[k - 1].width + 1) / 2, (sizes[k - 1].height + 1) / 2};

  // Halvings and enlargements alternate between the two work planes: an even number of each
  // leaves the blurred plane in `a`.
  std::int16_t* from = a.data();
  std::int16_t* to = b.data();
  for (int k = 1; k <= kBlurHalvings; ++k) {
    halvePlane(from, sizes[k - 1], to, sizes[k]);
    std::swap(from, to);
  }
  for (int k = kBlurHalvings; k >= 1; --k) {
    expandPlane(from, sizes[k], to, sizes[k - 1]);
    std::swap(from, to);
  }

  for (std::size_t i = 0; i < count; ++i)
    plane[i] = static_cast<std::int16_t>(plane[i] + kHighPassCentre - a[i]);
}

const std::int16_t* LumaPyramid::level(int level) const {
  const auto& own = levels_[static_cast<std::size_t>(level)];
  return level == 0 && own.empty() ? workingPlane_->data() : own.data();
}

LumaPyramid buildPyramid(const LumaImage& plane0, ImageSize size0, StitchParams& params) {
  LumaPyramid pyramid;
  pyramid.workingPlane_ = &plane0;
  pyramid.levels_.emplace_back();
  pyramid.sizes_.push_back(size0);

  const std::int64_t leastSide = 2 * static_cast<std::int64_t>(params.firstIterSize);
  int k = 0;
  for (;;) {
    const ImageSize size = pyramid.sizes_.back();
    const ImageSize half{size.width / 2, size.height / 2};
    if (size.width < leastSide || size.height < leastSide) break;
    if (half.width == 0 || half.height == 0 || k + 1 >= kMaxPyramidLevels) break;
    const LumaImage& source = k == 0 ? plane0 : pyramid.levels_.back();
    LumaImage reduced = downsample2x2(source, size);
    if (k >= 1) highPassFilter(pyramid.levels_.back().data(), size);
    pyramid.levels_.push_back(std::move(reduced));
    pyramid.sizes_.push_back(half);
    ++k;
  }

  if (k == 0) pyramid.levels_[0] = plane0;
  highPassFilter(pyramid.levels_.back().data(), pyramid.sizes_.back());
  params.coarsestLevel = k;
  return pyramid;
}

std::int64_t overlapMinArea(ImageSize size, const StitchParams& params) {
  return std::int64_t{size.height} * params.overlapFrom * size.width / 100;
}

namespace {

struct OverlapSums {
  std::int64_t difference = 0;         // Σ (new - previous)
  std::int64_t energy = 0;             // Σ ((new - 384)² + (previous - 384)²)
  std::int64_t squaredDifference = 0;  // Σ (new - previous)²
};

// Planes whose values stay within this distance of 384 (every pyramid level does: a filtered
// level lies in -381..1149) have per-pixel terms below 2^23, so 32-bit partial sums over runs
// of kNarrowRun pixels cannot overflow.
constexpr int kNarrowReach = 1023;
constexpr int kNarrowRun = 128;

// Adds n pixel pairs to the sums in 64-bit arithmetic: right for any 16-bit values.
void addRowWide(const std::int16_t* next, const std::int16_t* prev, int n, OverlapSums& sums) {
  for (int x = 0; x < n; ++x) {
    const std::int64_t a = next[x];
    const std::int64_t b = prev[x];
    const std::int64_t d = a - b;
    sums.difference += d;
    sums.energy += (a - kHighPassCentre) * (a - kHighPassCentre) +
                   (b - kHighPassCentre) * (b - kHighPassCentre);
    sums.squaredDifference += d * d;
  }
}

// The same for values within kNarrowReach of 384 and n <= kNarrowRun: the centred values and
// their difference fit 16 bits and the partial sums 32 bits, which vectorizes as
// multiply-adds of 16-bit pairs.
void addRowNarrow(const std::int16_t* next, const std::int16_t* prev, int n, OverlapSums& sums) {
  std::int32_t difference = 0;
  std::int32_t energy = 0;
  std::int32_t squaredDifference = 0;
  for (int x = 0; x < n; ++x) {
    const auto a = static_cast<std::int16_t>(next[x] - kHighPassCentre);
    const auto b = static_cast<std::int16_t>(prev[x] - kHighPassCentre);
    const auto d = static_cast<std::int16_t>(a - b);
    difference += d;
    energy += static_cast<std::int32_t>(a) * a + static_cast<std::int32_t>(b) * b;
    squaredDifference += static_cast<std::int32_t>(d) * d;
  }
  sums.difference += difference;
  sums.energy += energy;
  sums.squaredDifference += squaredDifference;
}

bool withinNarrowReach(const std::int16_t* plane, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i)
    if (plane[i] < kHighPassCentre - kNarrowReach || plane[i] > kHighPassCentre + kNarrowReach)
      return false;
  return true;
}

// Sums over new pixels 0 <= x < overlapWidth of rows firstRow..endRow-1, each compared with
// the previous photograph's pixel (x + column, y + row). The sums are exact integers, so they
// equal the double-precision sums of the same terms in any order.
OverlapSums sumOverlap(const std::int16_t* previous, const std::int16_t* current, int width,
                       int column, int row, int overlapWidth, int firstRow, int endRow,
                       bool narrow) {
  OverlapSums sums;
  for (int y = firstRow; y < endRow; ++y) {
    const std::int16_t* next = current + static_cast<std::ptrdiff_t>(y) * width;
    const std::int16_t* prev = previous + static_cast<std::ptrdiff_t>(y + row) * width + column;
    if (!narrow) {
      addRowWide(next, prev, overlapWidth, sums);
      continue;
    }
    for (int x = 0; x < overlapWidth; x += kNarrowRun)
      addRowNarrow(next + x, prev + x, std::min(kNarrowRun, overlapWidth - x), sums);
  }
  return sums;
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

  const std::size_t count = checkedElementCount(size, 1);
  const bool narrow = withinNarrowReach(previous, count) && withinNarrowReach(current, count);

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
      const OverlapSums sums = sumOverlap(previous, current, width, static_cast<int>(column), j,
                                          overlapWidth, firstRow, endRow, narrow);
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

}  // namespace skylacer
