// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How much memory a stitch will need, told from the photos' sizes alone (their headers), so
// that a run can be refused before it decodes a picture whose header claims more than the
// machine holds (a decompression bomb).

#include <cstdint>
#include <span>

#include "engine/buffers.h"

namespace skylacer {

// Bytes a stitch of photos of these sizes needs at its peak, rounded up: the panorama when
// the photos do not overlap at all, the photo decoded at full size with the working copies the
// composition keeps beside it, the reduced planes and features of the alignment, and the
// encoded output. An estimate from above; the stitch measured in bench/ stays below it.
std::uint64_t estimateStitchBytes(std::span<const ImageSize> photos);

}  // namespace skylacer
