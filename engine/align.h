// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The alignment of a photo sequence into one absolute camera per photograph: runs its stages
// (pair estimate, pair refinement, series solve and realignment, the series' cameras) over the
// pairs in order and gathers the evidence the verification weighs.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/buffers.h"
#include "engine/camera.h"
#include "engine/features.h"
#include "engine/pair_estimate.h"
#include "engine/params.h"
#include "engine/progress.h"
#include "engine/trace.h"
#include "engine/verification.h"
#include "engine/working_planes.h"

namespace skylacer {

// The feature estimate of pair `pair` (photograph pair - 1 to the next, or a full circle's
// closing pair back to photograph 0): the matches refined at `fixedFocal` (0: the focal length
// free), and, when that finds none with the focal length free, at `seedFocal` (0: none). The work
// is shared among up to `workers` threads; the estimate is the same for any number.
std::optional<PairEstimate> estimateSeriesPair(const FeatureSet& previous,
                                               const FeatureSet& current, int pair,
                                               double fixedFocal, double seedFocal,
                                               int workers = 1);

// Aligns the planes of n photographs (all of `size`) in order, and the closing pair from
// photograph n - 1 back to 0 when params.full360 is set. records holds n + 1 records in pair
// form, record 0 the identity; on return records 0..m (m = n - 1, or n for a full circle) are in
// absolute form with the common focal length and distortion, unless the progress object asked
// to stop.
// With autoFocal kAutoFocalSearchOnly every pair is aligned by alignPair alone, each taking an
// equal share of the current progress range, and the lens is averageLens's. Otherwise the pairs
// are first estimated from feature matches and solved as a series (one lens, one rotation per
// photograph; the first quarter of the range); each estimated pair takes the series' rotation
// and lens, a pair without an estimate falls back to alignPair's coarse search and
// coarse-to-fine refinement with the series' lens held (and then a full circle's closing pair
// to realignClosingPair), the lens is averageLensWithoutOutliers's and a full circle is closed
// (closeCircle). A photograph's pyramid is built once, where a pair is aligned from its pixels,
// which writes params.coarsestLevel.
// `evidence`, when given, receives each pair's evidence for the verification (pairs 1..m; empty
// for kAutoFocalSearchOnly). `features` holds each photograph's features when the caller found
// them already (from its colours); otherwise they are found on the planes. `seedFocal` (half
// widths, 0 for none) is a focal length the photographs themselves give (EXIF): a pair whose
// matches yield no estimate with the focal length free is estimated again at that one.
// With `check` Refuse, a series none of whose pairs the feature stage estimated, at a focal
// length the profile leaves free, is refused whatever the photometric steps would find (no
// match tells its focal length): the pairs are left unaligned, records in pair form, and every
// pair's evidence empty.
// `estimates`, when the caller made them already (pairs 1..m, index 0 unused, each as
// estimateSeriesPair makes it), stand for the feature stage's: features are then neither found
// nor matched, and a caller that matches each pair as its photographs come need keep no
// photograph's features for the alignment.
// The planes are asked for only where a pair is aligned from its pixels (or features are found
// on them), and each photograph's plane is held only while a pair needs its pyramid: the coarse
// search profile holds the two photographs of the pair at hand (and photograph 0 for a full
// circle's closing pair).
void alignAll(const WorkingPlanes& planes, ImageSize size, std::span<CameraRecord> records,
              StitchParams& params, IProgress* progress, TraceSink& trace,
              std::vector<PairEvidence>* evidence = nullptr,
              std::span<const FeatureSet> features = {}, double seedFocal = 0,
              AlignmentCheck check = AlignmentCheck::StitchAnyway,
              std::span<const std::optional<PairEstimate>> estimates = {});
// The same over planes the caller holds.
void alignAll(std::span<const LumaImage> planes, ImageSize size, std::span<CameraRecord> records,
              StitchParams& params, IProgress* progress, TraceSink& trace,
              std::vector<PairEvidence>* evidence = nullptr,
              std::span<const FeatureSet> features = {}, double seedFocal = 0,
              AlignmentCheck check = AlignmentCheck::StitchAnyway,
              std::span<const std::optional<PairEstimate>> estimates = {});

}  // namespace skylacer
