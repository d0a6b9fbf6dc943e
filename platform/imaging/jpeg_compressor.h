// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// One encoding of a blue-green-red picture into JPEG bytes in memory through libjpeg-turbo's
// libjpeg interface, with TurboJPEG's own settings, the rows handed over in bands.

#include <cstdint>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "platform/imaging/pixel_plane.h"
#include "platform/imaging/stop_check.h"

namespace skylacer::imaging {

// The rows of one band: about a million pixels, a whole number of 16 rows (the tallest row of
// blocks, 4:2:0), but never more than the picture has.
int jpegBandRows(int width, int height);

// The height of a row of blocks at `quality`: 16 where chroma is subsampled 4:2:0, 8 where it
// is kept whole (4:4:4).
int jpegBlockRowHeight(int quality);

// Encodes `picture` as a baseline JPEG at quality 0-100: 4:2:0 below quality 90, 4:4:4 from 90
// up, the bytes TurboJPEG's tjCompress2 writes. With `restartEveryBlockRow` a restart marker
// ends every row of blocks but the last (the interval announced in the header), so that the
// rows can be encoded apart and joined. `stop` is asked after each band with the share of rows
// done: when it says stop the result is Aborted. InvalidParameter for a quality out of range or
// an empty picture, OutOfMemory when memory cannot be had, GenericError for a picture the format
// cannot hold. `bytes` holds nothing unless the result is Ok.
ImagingStatus compressJpeg(ConstPlane picture, int quality, bool restartEveryBlockRow,
                           std::vector<std::uint8_t>& bytes, const StopCheck& stop);

}  // namespace skylacer::imaging
