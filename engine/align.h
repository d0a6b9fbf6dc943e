#pragma once

// Alignment of a photo sequence, pair by pair, into one absolute camera per photograph.

#include <cstddef>
#include <span>

#include "engine/buffers.h"
#include "engine/camera.h"
#include "engine/features.h"
#include "engine/params.h"
#include "engine/progress.h"
#include "engine/pyramid.h"
#include "engine/trace.h"
#include "engine/verification.h"

namespace skylacer {

// Which bound a refined pair record leaves, tested in this order. A value that is not a number
// leaves its bound.
enum class PairCheck {
  Plausible,
  RollOutOfBounds,        // not |roll| <= 0.2
  DistortionOutOfBounds,  // not |k| <= 0.5 and |k1| <= kMostRadial
  FocalOutOfBounds,       // not 0.1 <= f <= 11
};
PairCheck checkPair(const CameraRecord& record);

// The level the full refinement runs on: from the coarsest level, one finer while the level is
// not below finestLevelLimit, above 0, and the overlap the coarse offset dx predicts on it
// ((dx + 2) / 2 of the width) holds no more than nonlinearPixels pixels.
int refinementLevel(const LumaPyramid& pyramid, double dx, const StitchParams& params);

// One pair, new photograph to the right of the previous one: coarse search on the coarsest
// level, a refinement of the axis alone there, then the full refinement on refinementLevel,
// restarted with one more property frozen at its inherited value while the result is
// implausible (at most four runs). When the failing property is frozen already the pair is
// accepted as it stands. With autoFocal = kAutoFocalCoarseToFine a plausible pair is then
// refined again on every finer level down to level 0 with the radial lens term in place of the
// x shift (distortion 0), each level starting from the one before and keeping its result only
// while it stays plausible; a level is sampled on every other column and row when that leaves
// at least 2^17 points on level 0, 2^15 on the levels above it. Restart texts go to the
// progress object (may be null); a stop request there returns at once.
// guessedFocal: the record's focal length is only the lens slider's guess (the first pair); the
// coarse-to-fine profile then runs the full refinement from 1, 1/1.5 and 1/2.25 times it and
// replaces the first result by a plausible one that ended above its own start, more than 10 %
// away from the first, whose overlap has a lower share of disagreeing pixels. For a later pair
// whose coarse offset lies more than 0.1 from the previous pair's (the record's axis on entry)
// it runs the full refinement from both offsets, on the coarser of their levels, and keeps the
// plausible result with the lower share of disagreeing pixels. Returns the fit the last step of
// the kept full refinement measured (before the finish).
StepFit alignPair(const LumaPyramid& previous, const LumaPyramid& current, CameraRecord& record,
                  const StitchParams& params, IProgress* progress, TraceSink& trace,
                  bool guessedFocal = false);

// Aligns the planes of n photographs (all of `size`) in order, and the closing pair from
// photograph n - 1 back to 0 when params.full360 is set. records holds n + 1 records in pair
// form, record 0 the identity; on return records 0..m (m = n - 1, or n for a full circle) are in
// absolute form with the common focal length and distortion, unless the progress object asked
// to stop. Each pair takes an equal share of the current progress range. Writes
// params.coarsestLevel. With autoFocal = kAutoFocalCoarseToFine a pair whose focal length lies
// further than kLensOutlierShare from the pairs' median is refined again, from its refinement
// level down to level 0, with the focal length and radial lens of the others
// (averageLensWithoutOutliers) held fixed, before the rolls are balanced.
// Unless autoFocal is kAutoFocalSearchOnly, the pairs are first estimated from feature
// matches and solved as a series (one lens, one rotation per photograph); each estimated pair is
// then refined coarse to fine from that start, and a pair without an estimate falls back to the
// coarse search with the series' lens held. `evidence`, when given, receives each pair's
// evidence for the verification (pairs 1..m; empty for kAutoFocalSearchOnly). `features` holds
// each photograph's features when the caller found them already (from its colours); otherwise
// they are found on the planes.
void alignAll(std::span<const LumaImage> planes, ImageSize size, std::span<CameraRecord> records,
              StitchParams& params, IProgress* progress, TraceSink& trace,
              std::vector<PairEvidence>* evidence = nullptr,
              std::span<const FeatureSet> features = {});

// The steps that finish a sequence, in the order alignAll takes them.

// Full circle, records 0..n: subtracts (Σ roll of all) / n from the roll of records 1..n.
void balanceRolls(std::span<CameraRecord> records);
// Records 0..m in use: every one gets focal Σf / m, distortion Σk / (2m) and radial Σk1 / m,
// sums over the m aligned records 1..m (half the mean for k: a pair estimate holds both
// photographs' distortion; k1 is the common lens's), and axis z = 2 x that focal. With no aligned
// record nothing changes.
void averageLens(std::span<CameraRecord> records);

// Pairs whose focal length lies further than this share from the median of the pairs' are left
// out of averageLensWithoutOutliers' means.
constexpr double kLensOutlierShare = 0.02;
// Fewest aligned pairs whose median tells an outlier apart.
constexpr std::size_t kLeastPairsForOutliers = 3;

// averageLens over the aligned records whose focal length lies within kLensOutlierShare of the
// median of records 1..m's (the mean of the middle two for an even m); averageLens over all when
// m < kLeastPairsForOutliers or none lies that close. A pair that settled in another solution of
// focal length and radial lens does not pull the series' lens, on which every other pair's turn
// depends. The coarse-to-fine profile's lens.
void averageLensWithoutOutliers(std::span<CameraRecord> records);

// Full circle, records 0..n (record n the closing pair) with a common focal length in pair
// form: moves the focal length (and axis z = 2 x focal) to where the chained pair turns add up
// to one full turn, by secant steps from the common one, unless that lies further than
// kLensOutlierShare from it; then the common one stays. The pairs pin down the separations of
// their overlaps, so a focal length off by a share makes every turn short or long by about as
// much, which adds up around the circle. Leaves the records chained (chainRotations).
void closeCircle(std::span<CameraRecord> records);

// Composes the pair rotations into absolute rotations: R(i) = R(i - 1) · pairRotation(i).
void chainRotations(std::span<CameraRecord> records);
// Turns every rotation so that the cameras' mean up direction (record 0's included) is the
// world's y axis.
void levelCameras(std::span<CameraRecord> records);

}  // namespace skylacer
