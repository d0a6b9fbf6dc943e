// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The panorama picture's 24 tiles, drawn on the caller's thread and compressed into Cinepak key
// frames by workers side by side. Each tile's frame depends on its pixels alone, so the frames
// are the same bytes for any number of workers.

#include <cstdint>
#include <functional>
#include <vector>

#include "movwriter/toolbox/codec_library.h"
#include "movwriter/toolbox/graphics_importer.h"
#include "movwriter/toolbox/movie.h"
#include "movwriter/vr_atoms.h"

namespace skylacer::movwriter {

using CompressedTile = std::vector<std::uint8_t>;

struct TileFrames {
  std::vector<CompressedTile> frames;      // tiles 0 to 23 in order
  toolbox::SampleDescription description;  // the frames' 'cvid' image description
};

// Called on the caller's thread with the tile's index (0 to 23) before that tile is drawn; it
// throws to stop the compression.
using BeforeTile = std::function<void(int tile)>;

// The Cinepak key frames of the 24 tiles at quality kCodecHighQuality: tile k shows picture rows
// k * t to (k + 1) * t - 1. `workers` (at least 1; more than 24 are not used) compress at once,
// each on its own thread; the caller's thread draws the next tile as soon as one is free.
// What beforeTile or a draw throws is rethrown once the compressions in hand are done (one
// cannot be cut short); no tile is drawn after it. A failed compression stops the drawing, and
// the failure of the earliest tile is rethrown.
TileFrames compressTiles(toolbox::GraphicsImporter& importer, const toolbox::CodecLibrary& codecs,
                         PanoramaGeometry geometry, int workers, const BeforeTile& beforeTile);

}  // namespace skylacer::movwriter
