#pragma once

// JPEG decoding and encoding through TurboJPEG, with one TurboJPEG instance per call.

#include <cstdint>
#include <memory>
#include <span>

#include "platform/imaging/bitmap.h"
#include "platform/imaging/picture_header.h"
#include "platform/imaging/pixel_plane.h"

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

// An encoded JPEG in memory that TurboJPEG allocated.
class EncodedJpeg {
 public:
  std::span<const std::uint8_t> bytes() const { return {data_.get(), size_}; }

 private:
  friend ImagingStatus encodeJpeg(ConstPlane picture, int quality, EncodedJpeg& encoded);
  struct Free {
    void operator()(std::uint8_t* data) const;
  };
  std::unique_ptr<std::uint8_t, Free> data_;
  std::size_t size_ = 0;
};

// Encodes a picture as a baseline JPEG at quality 0-100, chroma subsampled 4:2:0 below
// quality 90 and kept whole (4:4:4) from 90 up.
ImagingStatus encodeJpeg(ConstPlane picture, int quality, EncodedJpeg& encoded);

}  // namespace skylacer::imaging
