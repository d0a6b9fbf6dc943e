// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/imaging/scaling.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace skylacer::imaging {
namespace {

// A half-open range of sample indices along one axis.
struct SampleRange {
  int begin = 0;
  int end = 0;
  int length() const { return end - begin; }
};

// Which source samples make each target sample of one axis, and with what weights. Target
// sample begin + i reads the source samples first[i], first[i] + 1, ... with the weights
// weights[offset[i]] up to weights[offset[i + 1]] (exclusive); the weights of a sample sum to 1.
struct AxisTaps {
  std::vector<int> first;
  std::vector<int> offset;
  std::vector<float> weights;
};

AxisTaps axisTaps(int sourceLength, int targetLength, SampleRange targets) {
  AxisTaps taps;
  taps.first.reserve(static_cast<std::size_t>(targets.length()));
  taps.offset.reserve(static_cast<std::size_t>(targets.length()) + 1);
  for (int i = targets.begin; i < targets.end; ++i) {
    taps.offset.push_back(static_cast<int>(taps.weights.size()));
    if (targetLength <= sourceLength) {
      // In units of 1 / targetLength source samples, target sample i covers
      // [i * sourceLength, (i + 1) * sourceLength) and source sample j covers
      // [j * targetLength, (j + 1) * targetLength).
      const std::int64_t left = std::int64_t{i} * sourceLength;
      const std::int64_t right = left + sourceLength;
      const auto firstSample = static_cast<int>(left / targetLength);
      const auto lastSample = static_cast<int>((right - 1) / targetLength);
      taps.first.push_back(firstSample);
      for (int j = firstSample; j <= lastSample; ++j) {
        const std::int64_t overlap = std::min(right, std::int64_t{j + 1} * targetLength) -
                                     std::max(left, std::int64_t{j} * targetLength);
        taps.weights.push_back(static_cast<float>(static_cast<double>(overlap) / sourceLength));
      }
    } else {
      // Sample centres line up: target centre i + 0.5 sits at source position
      // (i + 0.5) * sourceLength / targetLength, whose centre-relative index is that minus 0.5.
      const double centre = (i + 0.5) * sourceLength / targetLength - 0.5;
      if (centre <= 0.0 || centre >= sourceLength - 1) {
        taps.first.push_back(centre <= 0.0 ? 0 : sourceLength - 1);
        taps.weights.push_back(1.0f);
      } else {
        const auto below = static_cast<int>(centre);
        const auto fraction = static_cast<float>(centre - below);
        taps.first.push_back(below);
        taps.weights.push_back(1.0f - fraction);
        taps.weights.push_back(fraction);
      }
    }
  }
  taps.offset.push_back(static_cast<int>(taps.weights.size()));
  return taps;
}

std::uint8_t toByte(float value) {
  return static_cast<std::uint8_t>(std::clamp(value + 0.5f, 0.0f, 255.0f));
}

// A row of float blue-green-red triples filtered along x, one triple per target column, the
// source columns counted from `firstColumn`.
void filterRow(const float* row, int firstColumn, const AxisTaps& columns, std::uint8_t* target) {
  const std::size_t count = columns.first.size();
  for (std::size_t i = 0; i < count; ++i) {
    const float* pixel = row + std::ptrdiff_t{3} * (columns.first[i] - firstColumn);
    float blue = 0.0f, green = 0.0f, red = 0.0f;
    for (int t = columns.offset[i]; t < columns.offset[i + 1]; ++t, pixel += 3) {
      const float weight = columns.weights[static_cast<std::size_t>(t)];
      blue += weight * pixel[0];
      green += weight * pixel[1];
      red += weight * pixel[2];
    }
    target[3 * i] = toByte(blue);
    target[3 * i + 1] = toByte(green);
    target[3 * i + 2] = toByte(red);
  }
}

// Writes one run of upright pixels (3 bytes each) to the oriented target, pixelStep bytes apart.
void writeRun(const std::uint8_t* pixels, int count, std::uint8_t* destination,
              std::ptrdiff_t pixelStep) {
  if (pixelStep == 3) {
    std::memcpy(destination, pixels, std::size_t{3} * static_cast<std::size_t>(count));
    return;
  }
  for (int x = 0; x < count; ++x, pixels += 3, destination += pixelStep) {
    destination[0] = pixels[0];
    destination[1] = pixels[1];
    destination[2] = pixels[2];
  }
}

// Draws `upright` reduced by the same power of two along both axes, wholly into `target` at
// placement, upright; false, drawing nothing, for any other case.
bool drawBlockMeans(ConstPlane upright, Orientation orientation, Plane target,
                    PixelRect placement) {
  if (!orientation.isIdentity() || placement.x < 0 || placement.y < 0 ||
      placement.x + placement.width > target.width ||
      placement.y + placement.height > target.height ||
      !BlockMeans::reduces(upright.width, upright.height, placement.width, placement.height))
    return false;
  BlockMeans means({target.pixels + placement.y * target.stride + std::ptrdiff_t{3} * placement.x,
                    target.stride, placement.width, placement.height},
                   upright.width / placement.width);
  for (int y = 0; y < upright.height; ++y) means.add(upright.pixels + upright.stride * y);
  return true;
}

// Adds a row's bytes to the column sums, or starts the sums from them. Compiled twice on x86-64,
// for processors with 256-bit vectors and for the others, the one for the processor chosen when
// the program starts: the sums, integers, are the same either way, twice as many at a time.
#if defined(__x86_64__)
__attribute__((target_clones("arch=x86-64-v3", "default")))
#endif
void addToColumnSums(std::uint16_t* sums, const std::uint8_t* row, std::size_t count, bool start) {
  if (start)
    for (std::size_t k = 0; k < count; ++k) sums[k] = row[k];
  else
    for (std::size_t k = 0; k < count; ++k) sums[k] = static_cast<std::uint16_t>(sums[k] + row[k]);
}

// One row of block means from the column sums of `Factor` rows: the factor fixed at compile
// time, so that the sums of a block's columns are unrolled.
template <int Factor>
void writeBlockMeans(const std::uint16_t* sums, std::uint8_t* destination, int width) {
  constexpr int kShift = 2 * std::countr_zero(static_cast<unsigned>(Factor));
  constexpr unsigned kHalf = 1u << (kShift - 1);
  for (int x = 0; x < width; ++x, sums += 3 * Factor, destination += 3) {
    unsigned blue = 0, green = 0, red = 0;
    for (int i = 0; i < 3 * Factor; i += 3) {
      blue += sums[i];
      green += sums[i + 1];
      red += sums[i + 2];
    }
    destination[0] = static_cast<std::uint8_t>((blue + kHalf) >> kShift);
    destination[1] = static_cast<std::uint8_t>((green + kHalf) >> kShift);
    destination[2] = static_cast<std::uint8_t>((red + kHalf) >> kShift);
  }
}

}  // namespace

bool BlockMeans::reduces(int sourceWidth, int sourceHeight, int targetWidth, int targetHeight) {
  if (targetWidth <= 0 || targetHeight <= 0 || sourceWidth % targetWidth != 0) return false;
  const int factor = sourceWidth / targetWidth;
  return factor >= 2 && factor <= kLargestFactor && (factor & (factor - 1)) == 0 &&
         sourceHeight == factor * targetHeight;
}

BlockMeans::BlockMeans(Plane target, int factor)
    : target_(target),
      factor_(factor),
      columnSums_(std::size_t{3} * static_cast<std::size_t>(target.width) *
                  static_cast<std::size_t>(factor)) {}

void BlockMeans::add(const std::uint8_t* row) {
  // Locals throughout: the byte stores below could otherwise alias the members.
  std::uint16_t* sums = columnSums_.data();
  const int factor = factor_;
  addToColumnSums(sums, row, columnSums_.size(), rowsIn_ % factor == 0);
  if (++rowsIn_ % factor != 0) return;
  // Each pixel is the rounded mean of its block: the general filter's weights are then powers
  // of two and its float sums exact, so the bytes are the same, at a fraction of the cost.
  std::uint8_t* destination = target_.pixels + target_.stride * (rowsIn_ / factor - 1);
  switch (factor) {
    case 2:
      return writeBlockMeans<2>(sums, destination, target_.width);
    case 4:
      return writeBlockMeans<4>(sums, destination, target_.width);
    case 8:
      return writeBlockMeans<8>(sums, destination, target_.width);
    default:
      return writeBlockMeans<16>(sums, destination, target_.width);
  }
}

void drawOrientedScaled(ConstPlane upright, Orientation orientation, Plane target,
                        PixelRect placement) {
  if (drawBlockMeans(upright, orientation, target, placement)) return;
  // The visible part of the placement, in the coordinates of the oriented, scaled picture.
  const auto visibleLeft = static_cast<int>(std::max<std::int64_t>(0, -std::int64_t{placement.x}));
  const auto visibleTop = static_cast<int>(std::max<std::int64_t>(0, -std::int64_t{placement.y}));
  const auto visibleRight = static_cast<int>(
      std::min<std::int64_t>(placement.width, std::int64_t{target.width} - placement.x));
  const auto visibleBottom = static_cast<int>(
      std::min<std::int64_t>(placement.height, std::int64_t{target.height} - placement.y));
  if (visibleLeft >= visibleRight || visibleTop >= visibleBottom) return;

  // The same part in the upright frame of the scaled picture.
  const int scaledWidth = orientation.swapsAxes() ? placement.height : placement.width;
  const int scaledHeight = orientation.swapsAxes() ? placement.width : placement.height;
  const Orientation back = orientation.inverse();
  const PixelPoint corner =
      orientedPoint(back, {visibleLeft, visibleTop}, placement.width, placement.height);
  const PixelPoint oppositeCorner =
      orientedPoint(back, {visibleRight - 1, visibleBottom - 1}, placement.width, placement.height);
  const SampleRange columns{std::min(corner.x, oppositeCorner.x),
                            std::max(corner.x, oppositeCorner.x) + 1};
  const SampleRange rows{std::min(corner.y, oppositeCorner.y),
                         std::max(corner.y, oppositeCorner.y) + 1};

  const OrientedLayout layout =
      orientedLayout(orientation, scaledWidth, scaledHeight, target.stride);
  const std::ptrdiff_t origin =
      layout.origin + placement.y * target.stride + placement.x * std::ptrdiff_t{3};
  auto destinationOf = [&](int x, int y) {
    return target.pixels + (origin + y * layout.rowStep + x * layout.pixelStep);
  };

  if (scaledWidth == upright.width && scaledHeight == upright.height) {
    for (int y = rows.begin; y < rows.end; ++y)
      writeRun(upright.pixels + y * upright.stride + std::ptrdiff_t{3} * columns.begin,
               columns.length(), destinationOf(columns.begin, y), layout.pixelStep);
    return;
  }

  const AxisTaps columnTaps = axisTaps(upright.width, scaledWidth, columns);
  const AxisTaps rowTaps = axisTaps(upright.height, scaledHeight, rows);

  // Each target row first sums its source rows along y over the source columns the visible
  // target columns read (a pass that runs straight along memory), then filters that one row
  // along x.
  const int firstColumn = columnTaps.first.front();
  const int endColumn = columnTaps.first.back() +
                        (columnTaps.offset.back() - columnTaps.offset[columnTaps.first.size() - 1]);
  const std::size_t sourceFloats =
      std::size_t{3} * static_cast<std::size_t>(endColumn - firstColumn);
  std::vector<float> rowSum(sourceFloats);
  std::vector<std::uint8_t> targetRow(std::size_t{3} * static_cast<std::size_t>(columns.length()));

  for (int y = rows.begin; y < rows.end; ++y) {
    const auto i = static_cast<std::size_t>(y - rows.begin);
    std::fill(rowSum.begin(), rowSum.end(), 0.0f);
    for (int t = rowTaps.offset[i]; t < rowTaps.offset[i + 1]; ++t) {
      const int sourceRow = rowTaps.first[i] + (t - rowTaps.offset[i]);
      const std::uint8_t* source =
          upright.pixels + sourceRow * upright.stride + std::ptrdiff_t{3} * firstColumn;
      const float weight = rowTaps.weights[static_cast<std::size_t>(t)];
      for (std::size_t k = 0; k < sourceFloats; ++k) rowSum[k] += weight * source[k];
    }
    filterRow(rowSum.data(), firstColumn, columnTaps, targetRow.data());
    writeRun(targetRow.data(), columns.length(), destinationOf(columns.begin, y), layout.pixelStep);
  }
}

}  // namespace skylacer::imaging
