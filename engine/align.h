#pragma once

// The alignment of a photo sequence into one absolute camera per photograph: runs its stages
// (pair estimate, pair refinement, series solve and realignment, the series' cameras) over the
// pairs in order and gathers the evidence the verification weighs.

#include <span>
#include <vector>

#include "engine/buffers.h"
#include "engine/camera.h"
#include "engine/features.h"
#include "engine/params.h"
#include "engine/progress.h"
#include "engine/trace.h"
#include "engine/verification.h"

namespace skylacer {

// Aligns the planes of n photographs (all of `size`) in order, and the closing pair from
// photograph n - 1 back to 0 when params.full360 is set. records holds n + 1 records in pair
// form, record 0 the identity; on return records 0..m (m = n - 1, or n for a full circle) are in
// absolute form with the common focal length and distortion, unless the progress object asked
// to stop. Each pair takes an equal share of the current progress range. Each photograph's
// pyramid is built once, when a pair first needs it, which writes params.coarsestLevel.
// With autoFocal = kAutoFocalCoarseToFine a pair whose focal length lies
// further than kLensOutlierShare from the pairs' median is refined again, from its refinement
// level down to level 0, with the focal length and radial lens of the others
// (averageLensWithoutOutliers) held fixed, before the rolls are balanced.
// Unless autoFocal is kAutoFocalSearchOnly, the pairs are first estimated from feature
// matches and solved as a series (one lens, one rotation per photograph); each estimated pair
// takes the series' rotation and lens, and a pair without an estimate falls back to the coarse
// search and the coarse-to-fine refinement with the series' lens held. `evidence`, when given,
// receives each pair's evidence for the verification (pairs 1..m; empty for kAutoFocalSearchOnly).
// `features` holds each photograph's features when the caller found them already (from its
// colours); otherwise they are found on the planes.
void alignAll(std::span<const LumaImage> planes, ImageSize size, std::span<CameraRecord> records,
              StitchParams& params, IProgress* progress, TraceSink& trace,
              std::vector<PairEvidence>* evidence = nullptr,
              std::span<const FeatureSet> features = {});

}  // namespace skylacer
