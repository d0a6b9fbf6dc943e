// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reads a picture file through the imaging layer and draws it, unscaled, into offscreen
// pictures. The file is decoded once, on the first draw, and kept until the importer closes.

#include <memory>
#include <string>

#include "movwriter/toolbox/offscreen.h"
#include "platform/imaging/bitmap.h"

namespace skylacer::toolbox {

// A rectangle in pixels; right and bottom are exclusive.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

class GraphicsImporter {
 public:
  // An importer for the picture file at `path` (any format the imaging layer reads). Throws
  // MovieToolboxError: fnfErr for a missing file, permErr for an unreadable one,
  // cantFindHandler for a file that is no picture the imaging layer knows.
  static GraphicsImporter forFile(const std::string& path);

  GraphicsImporter(GraphicsImporter&&) noexcept;
  GraphicsImporter& operator=(GraphicsImporter&&) = delete;
  ~GraphicsImporter();

  // The picture's own bounds: (0, 0, width, height).
  Rect naturalBounds() const { return naturalBounds_; }

  // Draws the whole picture into `destination` with its top-left corner at (left, top) of the
  // destination; what falls outside the destination is clipped and destination pixels the
  // picture does not cover are left as they were. Throws MovieToolboxError when the picture
  // cannot be decoded (badDataErr, memFullErr).
  void draw(Offscreen& destination, int left, int top);

 private:
  GraphicsImporter(std::unique_ptr<imaging::Bitmap> bitmap, Rect bounds);

  std::unique_ptr<imaging::Bitmap> bitmap_;
  Rect naturalBounds_;
  imaging::LockedRows decoded_;  // the decoded picture while locked_
  bool locked_ = false;
};

}  // namespace skylacer::toolbox
