// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/column_strips.h"

#include <cstring>
#include <stdexcept>
#include <vector>

#include "engine/parallel.h"

namespace skylacer {

namespace {

constexpr int kStripShift = 9;

}  // namespace

ColumnStrips ColumnStrips::rows(int width) {
  return {30, 0, 3 * static_cast<std::size_t>(width)};
}

ColumnStrips ColumnStrips::strips(int height) {
  const std::size_t rowBytes = std::size_t{3} << kStripShift;
  return {kStripShift, rowBytes * static_cast<std::size_t>(height), rowBytes};
}

int stripsWidth(int width) {
  return (width + (1 << kStripShift) - 1) >> kStripShift << kStripShift;
}

void stripsToRows(std::span<std::uint8_t> pixels, int count, int height, int workers) {
  // The picture is a count x height matrix of strip rows (one strip's columns of one row),
  // transposed: the strip row now at s · height + r belongs at r · count + s. The permutation's
  // cycles are disjoint; each is moved by the thread holding its smallest place, its leader,
  // pulling into each place the strip row that belongs there.
  const std::size_t rowBytes = std::size_t{3} << kStripShift;
  const auto strips = static_cast<std::size_t>(count);
  const auto rows = static_cast<std::size_t>(height);
  const std::size_t places = strips * rows;
  if (pixels.size() < places * rowBytes)
    throw std::invalid_argument("stripsToRows needs every strip's rows");
  const auto source = [&](std::size_t place) { return place % strips * rows + place / strips; };
  runShares(workers, places, [&](std::size_t first, std::size_t end) {
    std::vector<std::uint8_t> held(rowBytes);
    for (std::size_t start = first; start < end; ++start) {
      std::size_t place = source(start);
      if (place == start) continue;  // already in its place
      while (place > start) place = source(place);
      if (place < start) continue;  // the cycle's leader is a place before
      std::memcpy(held.data(), pixels.data() + start * rowBytes, rowBytes);
      for (place = start;;) {
        const std::size_t from = source(place);
        std::uint8_t* into = pixels.data() + place * rowBytes;
        if (from == start) {
          std::memcpy(into, held.data(), rowBytes);
          break;
        }
        std::memcpy(into, pixels.data() + from * rowBytes, rowBytes);
        place = from;
      }
    }
  });
}

}  // namespace skylacer
