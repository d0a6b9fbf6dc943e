// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where the pixels of a picture lie: row after row, or in column strips. The panorama is
// composed in strips of 512 columns, each holding its columns of every row one after another:
// a photograph paints a range of columns down all the rows, and in strips the memory of the
// columns not painted yet is not touched, so the panorama can take 2 MiB pages and still be
// resident only as far as it is painted (row after row, every 2 MiB page would hold all the
// columns of some forty rows). Once composed it is put into rows, in place.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace skylacer {

struct ColumnStrips {
  int shift = 30;              // a column's strip is column >> shift
  std::size_t stripBytes = 0;  // from one strip to the next
  std::size_t rowBytes = 0;    // from one row of a strip to the next

  // Rows `width` pixels wide, one after another: a single strip.
  static ColumnStrips rows(int width);
  // Strips of 512 columns of `height` rows.
  static ColumnStrips strips(int height);

  int stripColumns() const { return 1 << shift; }
  // Bytes from the start of row `row` of the first strip to pixel (column, row); column >= 0.
  std::ptrdiff_t inRow(int column) const {
    return static_cast<std::ptrdiff_t>(column >> shift) * static_cast<std::ptrdiff_t>(stripBytes) +
           3 * static_cast<std::ptrdiff_t>(column & (stripColumns() - 1));
  }
  std::size_t offset(int column, int row) const {
    return rowBytes * static_cast<std::size_t>(row) + static_cast<std::size_t>(inRow(column));
  }
  // Columns from..to - 1 of a row as runs that lie whole in one strip: run(column, count).
  template <typename Run>
  void forEachRun(int from, int to, Run&& run) const {
    while (from < to) {
      const int count = std::min(to, ((from >> shift) + 1) << shift) - from;
      run(from, count);
      from += count;
    }
  }
};

// The columns of the whole strips that hold `width` columns.
int stripsWidth(int width);

// Puts a picture held in `count` strips of ColumnStrips::strips(height) into rows of
// stripsWidth columns, in place, sharing the work among up to `workers` threads.
void stripsToRows(std::span<std::uint8_t> pixels, int count, int height, int workers);

}  // namespace skylacer
