// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/column_strips.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/buffers.h"

namespace skylacer {
namespace {

TEST(ColumnStrips, StripsPutIntoRowsHoldEveryPixelInItsPlaceOnAnyNumberOfThreads) {
  // One strip, one row, and shapes whose transposition has cycles of many lengths.
  for (const auto& [count, height] :
       {std::pair{1, 7}, std::pair{4, 1}, std::pair{3, 5}, std::pair{5, 12}, std::pair{2, 301}}) {
    const ColumnStrips strips = ColumnStrips::strips(height);
    const int width = count * strips.stripColumns();
    for (const int workers : {1, 2, 3}) {
      SCOPED_TRACE(testing::Message()
                   << count << " strips, " << height << " rows, " << workers << " threads");
      RgbImage pixels(strips.stripBytes * static_cast<std::size_t>(count));
      auto value = [](int column, int row, int channel) {
        // Strips and rows 256 apart differ too.
        return static_cast<std::uint8_t>(column * 7 + (column >> 8) * 31 + row * 13 +
                                         (row >> 8) * 53 + channel * 101);
      };
      for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
          for (int ch = 0; ch < 3; ++ch) pixels[strips.offset(c, r) + ch] = value(c, r, ch);

      stripsToRows(pixels, count, height, workers);
      const ColumnStrips rows = ColumnStrips::rows(width);
      std::size_t wrong = 0;
      for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
          for (int ch = 0; ch < 3; ++ch) wrong += pixels[rows.offset(c, r) + ch] != value(c, r, ch);
      EXPECT_EQ(wrong, 0u);
    }
  }
}

}  // namespace
}  // namespace skylacer
