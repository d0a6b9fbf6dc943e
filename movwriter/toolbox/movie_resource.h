// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The movie resource: the 'moov' atom that describes a movie's tracks, media and sample tables
// and points at the sample bytes by absolute file offsets. Layout per track, in this order:
// tkhd, tref (when the track refers to others), edts/elst, mdia (mdhd, hdlr 'mhlr', minf with
// vmhd for video or gmhd/gmin for other media, hdlr 'dhlr'/'alis', dinf/dref with one
// same-file 'alis' entry, stbl with stsd, stts, stsc, stsz, stco). Then udta with the movie's
// user data. Samples that are contiguous in the file with one description share a chunk.

#include <cstdint>
#include <span>
#include <vector>

#include "movwriter/toolbox/movie.h"

namespace skylacer::toolbox {

// The whole 'moov' atom. `creationTime` is in seconds since 1904-01-01 UTC. Throws
// MovieToolboxError when a track has no media or a value does not fit its 32-bit field.
std::vector<std::uint8_t> writeMovieResource(const Movie& movie, std::uint32_t creationTime);

// Reads a 'moov' atom (its bytes, header included) as written by writeMovieResource. Sample
// tables are checked for consistency and every sample against `fileSize` before anything is
// allocated for them; a structure that is corrupt or not understood throws MovieToolboxError
// (badDataErr or invalidMovie).
Movie readMovieResource(std::span<const std::uint8_t> moov, std::uint64_t fileSize);

// Seconds since 1904-01-01 UTC, the movie format's epoch, for the current time.
std::uint32_t movieTimeNow();

}  // namespace skylacer::toolbox
