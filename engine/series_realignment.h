#pragma once

// Series realignment: the coarse-to-fine profile's second look at pairs the series shows up.
// A pair whose lens disagrees with the others', or a full circle's closing pair, is refined
// again (engine/pair_refinement.h) with the series' common lens held, and kept where that fits
// better.

#include <span>

#include "engine/camera.h"
#include "engine/params.h"
#include "engine/progress.h"
#include "engine/pyramid.h"
#include "engine/trace.h"

namespace skylacer {

// Pairs 1..m whose lens is an outlier (isLensOutlier) settled in another solution of lens and
// turn together; each is aligned again with the focal length and radial lens of the others
// held fixed, which leaves only its turn to find. Nothing changes when every pair, or none, is
// an outlier.
void realignLensOutliers(SeriesPyramids& pyramids, std::span<CameraRecord> records,
                         const StitchParams& params, IProgress* progress, TraceSink& trace);

// A full circle's closing pair (record n, photograph n - 1 to photograph 0) aligned again from
// the turn of the pair before (roll 0) with the series' lens held, from its refinement level
// down: its overlap can match elsewhere, and the circle decides. The result is kept when the
// chained pairs then leave a smaller rotation at the series' lens.
void realignClosingPair(SeriesPyramids& pyramids, std::span<CameraRecord> records,
                        const StitchParams& params, IProgress* progress, TraceSink& trace);

}  // namespace skylacer
