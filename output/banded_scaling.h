// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Scaling and encoding a picture for an output in bands of rows, with a progress report after
// each band, so that a request to stop takes effect within a fraction of a second even for the
// largest pictures.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/buffers.h"
#include "engine/progress.h"
#include "platform/imaging/bitmap.h"
#include "platform/imaging/pixel_plane.h"

namespace skylacer::output {

// Draws the whole of `source`, as its recorded rotate/flip turns it, scaled to `size` into
// `target`: size.width * size.height * 3 bytes, blue-green-red rows with no gap. After each
// band `progress` (may be null) is given the share of rows done; when it asks to stop the result
// is Aborted and the rows after that band are left as they were. Otherwise the status of the
// source's drawing, Ok when every row is drawn. The source is read once per band: it should
// hold its pixels in memory (a view over a buffer), not decode a file each time.
imaging::ImagingStatus drawScaledInBands(imaging::Bitmap& source, std::uint8_t* target,
                                         ImageSize size, IProgress* progress);

// Encodes `picture` as a JPEG at `quality` into `bytes`, with the colour profile and capture
// date of `metadata`, in stripes (imaging::JpegStripes) shared among up to `workers` threads:
// the bytes are the same for any number. `progress` (may be null) is given, on the calling
// thread only, the share of stripes begun or ended as they go (always the share at which the
// last stripe begins, whichever thread takes it) and 1 once all are encoded; when it asks to
// stop the result is Aborted and `bytes` is left as it was.
imaging::ImagingStatus encodeJpegInBands(imaging::ConstPlane picture,
                                         const imaging::PhotoMetadata& metadata, int quality,
                                         IProgress* progress, std::vector<std::uint8_t>& bytes,
                                         int workers = 1);

// Encodes `source` (as turned by its recorded rotate/flip) scaled to `size` as a JPEG at
// `quality` into `bytes`, drawn by drawScaledInBands in the first half of `progress` and
// encoded by encodeJpegInBands (on up to `workers` threads) in the second, with the source's colour
// profile and capture date. Aborted when `progress` asked to stop; OutOfMemory when the scaled
// picture cannot be held; ValueOverflow when it would have more than imaging::kMaxPixels pixels;
// otherwise the status of the drawing or of the encoding.
imaging::ImagingStatus encodeScaledJpeg(imaging::Bitmap& source, ImageSize size, int quality,
                                        IProgress* progress, std::vector<std::uint8_t>& bytes,
                                        int workers = 1);

}  // namespace skylacer::output
