// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// JPEG decoding and encoding through libjpeg-turbo's libjpeg interface, one decoder or encoder
// per call. The decoder hands over its rows a few at a time, so that a reader can work on them
// while they are in the processor's cache; the encoder takes the rows in bands, so that a long
// encoding can be stopped between them.

#include <cstdint>
#include <span>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "platform/imaging/picture_header.h"
#include "platform/imaging/pixel_plane.h"
#include "platform/imaging/row_sink.h"
#include "platform/imaging/stop_check.h"

namespace skylacer::imaging {

// The number of pixels a side of `length` pixels decodes to at 1/denominator (rounded up).
int reducedLength(int length, int denominator);

// The strongest DCT-domain reduction, 8, 4 or 2, at which a width x height JPEG still decodes
// to at least targetWidth x targetHeight; 1 when even halving would fall short.
int jpegReduction(int width, int height, int targetWidth, int targetHeight);

// Decodes the JPEG `bytes`, whose header is `header`, at 1/denominator (1, 2, 4 or 8) of its
// size into `target`, which has exactly the reduced size, as blue-green-red pixels.
// Ok, or GenericError when the data are damaged or truncated: a sequential picture then holds
// the rows decoded before the damage and leaves the rows after it untouched; a progressive
// picture holds the whole picture as far as its scans could refine it. GenericError also when
// the data do not decode at all or no longer match `header`. `damage` says what was wrong
// (None with Ok).
ImagingStatus decodeJpeg(std::span<const std::uint8_t> bytes, const PictureHeader& header,
                         int denominator, Plane target, DataDamage& damage);

// The same decoding, its rows put where `sink` gives room, from the first row to the last, and
// `sink` told of each group of rows once they hold their pixels. InvalidParameter, with nothing
// more decoded, when a room is not of the reduced width or holds no row. OutOfMemory when the
// decoder's memory cannot be had.
ImagingStatus decodeJpegRows(std::span<const std::uint8_t> bytes, const PictureHeader& header,
                             int denominator, RowSink& sink, DataDamage& damage);

// An encoded JPEG in memory.
class EncodedJpeg {
 public:
  std::span<const std::uint8_t> bytes() const { return bytes_; }

 private:
  friend ImagingStatus encodeJpeg(ConstPlane picture, int quality, EncodedJpeg& encoded,
                                  const StopCheck& stop);
  std::vector<std::uint8_t> bytes_;
};

// Encodes a picture as a baseline JPEG at quality 0-100, chroma subsampled 4:2:0 below
// quality 90 and kept whole (4:4:4) from 90 up; the bytes are those TurboJPEG's tjCompress2
// writes for the same picture, quality and subsampling. The rows go to the encoder in bands of
// about a million pixels, and `stop` is asked after each band with the share of rows done: when
// it says stop the result is Aborted and `encoded` holds nothing. OutOfMemory when the
// encoder's memory cannot be had, GenericError for a picture the format cannot hold (a side
// above 65500 pixels).
ImagingStatus encodeJpeg(ConstPlane picture, int quality, EncodedJpeg& encoded,
                         const StopCheck& stop = {});

}  // namespace skylacer::imaging
