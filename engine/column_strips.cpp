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
  // cycles are disjoint: they are found first, on this thread, and then shared out, each moved
  // by pulling into each of its places the strip row that belongs there.
  const std::size_t rowBytes = std::size_t{3} << kStripShift;
  const auto strips = static_cast<std::size_t>(count);
  const auto rows = static_cast<std::size_t>(height);
  const std::size_t places = strips * rows;
  if (pixels.size() < places * rowBytes)
    throw std::invalid_argument("stripsToRows needs every strip's rows");
  const auto source = [&](std::size_t place) { return place % strips * rows + place / strips; };
  std::vector<std::size_t> cycleStarts;
  std::vector<bool> seen(places);
  for (std::size_t start = 0; start < places; ++start) {
    if (seen[start]) continue;
    seen[start] = true;
    if (source(start) == start) continue;  // already in its place
    cycleStarts.push_back(start);
    for (std::size_t place = source(start); place != start; place = source(place))
      seen[place] = true;
  }
  runShares(workers, cycleStarts.size(), [&](std::size_t first, std::size_t end) {
    std::vector<std::uint8_t> held(rowBytes);
    for (std::size_t cycle = first; cycle < end; ++cycle) {
      const std::size_t start = cycleStarts[cycle];
      std::memcpy(held.data(), pixels.data() + start * rowBytes, rowBytes);
      for (std::size_t place = start;;) {
        const std::size_t from = source(place);
        std::uint8_t* into = pixels.data() + place * rowBytes;
        if (from == start) {
          std::memcpy(into, held.data(), rowBytes);
          break;
        }
        // The strip row after this one lies anywhere: asked for now, it is on its way while
        // this one is copied.
        const std::uint8_t* next = pixels.data() + source(from) * rowBytes;
        for (std::size_t line = 0; line < rowBytes; line += 64) __builtin_prefetch(next + line);
        std::memcpy(into, pixels.data() + from * rowBytes, rowBytes);
        place = from;
      }
    }
  });
}

}  // namespace skylacer
