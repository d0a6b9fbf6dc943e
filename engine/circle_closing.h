// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Closing a full circle: the pairs of a 360° series must add up to one full turn. The closing
// pair, whose overlap can match elsewhere, is refined again (engine/pair_refinement.h) with the
// series' lens held and kept where the circle closes better; then the series' focal length is
// moved to where the turns add up exactly.

#include <span>

#include "engine/camera.h"
#include "engine/params.h"
#include "engine/progress.h"
#include "engine/pyramid.h"
#include "engine/trace.h"

namespace skylacer {

// A full circle's closing pair (record n, photograph n - 1 to photograph 0) aligned again from
// the turn of the pair before (roll 0) with the series' lens held, from its refinement level
// down: its overlap can match elsewhere, and the circle decides. The result is kept when the
// chained pairs then leave a smaller rotation at the series' lens.
void realignClosingPair(SeriesPyramids& pyramids, std::span<CameraRecord> records,
                        const StitchParams& params, IProgress* progress, TraceSink& trace);

// Full circle, records 0..n (record n the closing pair) with a common focal length in pair
// form: moves the focal length (and axis z = 2 x focal) to where the chained pair turns add up
// to one full turn, by secant steps from the common one, unless that lies further than
// kLensOutlierShare from it; then the common one stays. The pairs pin down the separations of
// their overlaps, so a focal length off by a share makes every turn short or long by about as
// much, which adds up around the circle. Leaves the records chained (chainRotations).
void closeCircle(std::span<CameraRecord> records);

}  // namespace skylacer
