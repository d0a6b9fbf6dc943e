// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A JPEG encoded as horizontal stripes, each on whichever thread takes it, then joined into one
// baseline file. A restart marker ends every row of blocks, and a decoder starts afresh after
// each (its DC predictions back to zero), so a stripe encoded alone holds the very bytes the
// same rows have in one encoding of the whole picture with those markers: the joined file is
// that encoding, byte for byte, however the stripes were shared out. It decodes to the same
// pixels as the picture encoded without markers.

#include <cstdint>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "platform/imaging/photo_metadata.h"
#include "platform/imaging/pixel_plane.h"

namespace skylacer::imaging {

class JpegStripes {
 public:
  // Stripes of about a million pixels each over `picture`, which stays the caller's and must
  // outlive the object; quality and subsampling as encodeJpeg's.
  JpegStripes(ConstPlane picture, int quality);

  int count() const { return static_cast<int>(stripes_.size()); }

  // Encodes stripe `index` (0..count()-1). Different stripes may be encoded at the same time on
  // different threads; its status is kept for join.
  void encode(int index);

  // The whole file into `bytes`, with the colour profile and capture date of `metadata`: Ok
  // once every stripe is encoded, else the first stripe's failure (a stripe not encoded counts
  // as Aborted). InvalidParameter for a quality out of range or an empty picture, GenericError
  // for a picture the format cannot hold (a side above 65500 pixels). `bytes` holds nothing
  // unless the result is Ok. Each stripe's bytes are released once they are copied, so that the
  // file is not held twice: join once.
  ImagingStatus join(const PhotoMetadata& metadata, std::vector<std::uint8_t>& bytes);

 private:
  struct Stripe {
    int top = 0;
    int rows = 0;
    ImagingStatus status = ImagingStatus::Aborted;
    std::vector<std::uint8_t> bytes;
  };

  ConstPlane picture_;
  int quality_;
  int blockRowHeight_;
  ImagingStatus refusal_ = ImagingStatus::Ok;  // why there are no stripes to encode, if so
  std::vector<Stripe> stripes_;
};

}  // namespace skylacer::imaging
