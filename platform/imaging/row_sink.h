// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where a picture read row by row puts its rows, so that a reader can work on each group of rows
// while it is still in the processor's cache, and need not hold the whole picture.

#include "platform/imaging/pixel_plane.h"

namespace skylacer::imaging {

class RowSink {
 public:
  // Room for the rows from `first` on: at least one row of the picture's width. The reader
  // fills as many of them as it has at once, at most the room's height.
  virtual Plane roomFrom(int first) = 0;
  // Rows first .. first + count - 1 hold their pixels, in the room roomFrom(first) gave.
  virtual void filled(int first, int count) = 0;

 protected:
  ~RowSink() = default;
};

}  // namespace skylacer::imaging
