// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A JPEG picture decoded a strip of rows at a time, top row first, with libjpeg-turbo (linked
// into the program). The viewer makes its texture tiles from each strip as it comes, so the
// whole decoded picture never has to be held at once.

#include <cstdint>
#include <memory>
#include <vector>

namespace skylacer::viewer {

class JpegRows {
 public:
  // Reads the header of the JPEG held in `encoded`; empty when it is no JPEG that can be read
  // (CMYK pictures included).
  static std::unique_ptr<JpegRows> open(std::vector<std::uint8_t> encoded);
  // Another decoder of the same picture (the encoded bytes shared) that hands out its rows at
  // 1/denominator of the size (2, 4 or 8), scaled within the inverse DCT: most of the decoding
  // work is left out. Empty when it cannot be opened.
  std::unique_ptr<JpegRows> reduced(int denominator) const;
  ~JpegRows();
  JpegRows(const JpegRows&) = delete;
  JpegRows& operator=(const JpegRows&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  // Rows handed out so far.
  int rowsRead() const { return rowsRead_; }

  // Decodes the next `count` rows (3 bytes a pixel: blue, green, red) into `target`, one row
  // every `stride` bytes. False, for good, when the data are damaged or end too early, or when
  // fewer than `count` rows are left.
  bool read(std::uint8_t* target, std::ptrdiff_t stride, int count);

 private:
  struct Decoder;
  using Encoded = std::shared_ptr<const std::vector<std::uint8_t>>;
  static std::unique_ptr<JpegRows> open(Encoded encoded, int denominator);
  explicit JpegRows(std::unique_ptr<Decoder> decoder);
  std::unique_ptr<Decoder> decoder_;
  int width_ = 0;
  int height_ = 0;
  int rowsRead_ = 0;
  bool failed_ = false;
};

}  // namespace skylacer::viewer
