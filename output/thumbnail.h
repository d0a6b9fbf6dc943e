// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The small copy of a photo that the interface movie shows while the user arranges the photos.

#include <string>

#include "engine/buffers.h"
#include "output/temporary_file_list.h"

namespace skylacer::output {

// Photos at most this many pixels wide, or not taller than it, are their own thumbnail.
inline constexpr int kThumbnailLimit = 400;

struct Thumbnail {
  std::string path;     // the photo itself, or a temporary JPEG
  ImageSize photoSize;  // the photo's size in pixels; 0 x 0 when it cannot be decoded
};

// The reduction factor g for a W x H photo: 1 when the photo is its own thumbnail, otherwise
// the power of two reached by doubling while H exceeds 400 * g and W exceeds the new limit,
// capped at 8. A 3000 x 2000 photo gives 8, a 1000 x 300 one 1.
int thumbnailReduction(ImageSize photo);

// Decodes the photo's header and, when the reduction is above 1, writes the photo reduced to
// (W / g) x (H / g) as a JPEG at the encoder's default quality into a new temporary file with
// the prefix "thm", which is added to `temporaryFiles`. A photo that cannot be decoded, or
// whose thumbnail cannot be written, is its own thumbnail.
Thumbnail makeThumbnail(const std::string& photoPath, TemporaryFileList& temporaryFiles);

}  // namespace skylacer::output
