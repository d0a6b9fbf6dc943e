// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// PNG decoding through libpng's simplified interface, which reports errors instead of leaving
// the process.

#include <cstdint>
#include <span>

#include "platform/imaging/bitmap.h"
#include "platform/imaging/picture_header.h"
#include "platform/imaging/pixel_plane.h"

namespace skylacer::imaging {

// Decodes the PNG `bytes`, whose header is `header`, into `target` (the picture's full size) as
// blue-green-red pixels. Transparent parts are laid over black, which the engine reads as "no
// data". Ok, or GenericError when the data are damaged or truncated (the rows decoded before
// that stay in `target`) or no longer match `header`; `damage` then says what was wrong.
ImagingStatus decodePng(std::span<const std::uint8_t> bytes, const PictureHeader& header,
                        Plane target, DataDamage& damage);

}  // namespace skylacer::imaging
