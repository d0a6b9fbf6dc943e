// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Pair refinement: the photometric steps that take a pair from a start (the coarse search's
// offset, or a turn the series already has) to a sub-pixel pair record, by Gauss–Newton runs
// on the pair's pyramid levels (refinePair), with the checks that restart an implausible run.
// Each function takes the two photographs' pyramids, built once by the caller.

#include "engine/camera.h"
#include "engine/params.h"
#include "engine/progress.h"
#include "engine/pyramid.h"
#include "engine/trace.h"

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
// plausible result that fits better on the pixels both compare (compareOnCommonOverlap).
// Returns the fit the last step of the kept full refinement measured (before the finish).
StepFit alignPair(const LumaPyramid& previous, const LumaPyramid& current, CameraRecord& record,
                  const StitchParams& params, IProgress* progress, TraceSink& trace,
                  bool guessedFocal = false);

// The precise finish of a plausible pair: the full refinement again on every level finer than
// `level`, down to the working size, each starting from the one before. Pixel-level detail
// pins the focal length and the turn down, and the coarser result keeps the start within a
// Gauss-Newton step's reach on the next level. The finish models the lens as radial (the
// x-shift term is dropped): radial distortion otherwise reads as a longer or shorter focal
// length. Its steps take the exact Jacobian and fit every sample of the overlap: a low-detail
// overlap's roll and turn come out of the pixels that already nearly agree. A finer
// level's result that leaves the plausible bounds is discarded and the finish ends with the
// last plausible one.
void finishCoarseToFine(const LumaPyramid& previous, const LumaPyramid& current, int level,
                        CameraRecord& record, const StitchParams& params, IProgress* progress,
                        TraceSink& trace);

}  // namespace skylacer
