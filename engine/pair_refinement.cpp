// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pair_refinement.h"

#include <cmath>
#include <cstdint>
#include <future>
#include <iterator>
#include <string>

#include "engine/coarse_search.h"
#include "engine/messages.h"
#include "engine/optional_progress.h"
#include "engine/parallel.h"

namespace skylacer {

namespace {

// Least sample grid points a finish level keeps when it samples every other column and row:
// the working size pins the result down, a level above it only brings the start within reach.
constexpr std::int64_t kLeastFinalGrid = std::int64_t{1} << 17;
constexpr std::int64_t kLeastIntermediateGrid = std::int64_t{1} << 15;

StepFit refineOnLevel(const LumaPyramid& previous, const LumaPyramid& current, int level,
                      CameraRecord& record, const StitchParams& params, IProgress* progress,
                      TraceSink& trace, StepOptions options = {}) {
  return refinePair(previous.level(level), current.level(level), previous.size(level), record,
                    params, progress, trace, options);
}

// The sample grid of a finish level: every other column and row (a quarter of the cost; the
// planes are still read at full resolution) when that leaves enough points, every pixel
// otherwise.
int finishStride(ImageSize size, int level) {
  const std::int64_t grid = std::int64_t{size.width} * size.height / 4;
  return grid >= (level == 0 ? kLeastFinalGrid : kLeastIntermediateGrid) ? 2 : 1;
}

// Starting focal lengths the coarse-to-fine profile tries on the first pair, as factors of the
// lens slider's: a refinement run does not travel far from a start 1.5 times the truth or more.
constexpr double kFirstPairStarts[] = {1.0, 1.0 / 1.5, 1.0 / 2.25};
// Results within this share of the slider start's focal length are the same solution, which
// the finish settles; only a start that ends further away may replace it.
constexpr double kSameBasin = 0.1;

}  // namespace

PairCheck checkPair(const CameraRecord& record) {
  if (!(std::fabs(record.roll) <= 0.2)) return PairCheck::RollOutOfBounds;
  if (!(std::fabs(record.distortion) <= 0.5 && std::fabs(record.radial) <= kMostRadial))
    return PairCheck::DistortionOutOfBounds;
  if (!(record.focal >= 0.1 && record.focal <= 11)) return PairCheck::FocalOutOfBounds;
  return PairCheck::Plausible;
}

int refinementLevel(const LumaPyramid& pyramid, double dx, const StitchParams& params) {
  int level = pyramid.coarsestLevel();
  const double budget = 2.0 * params.nonlinearPixels;
  while (level >= params.finestLevelLimit && level > 0) {
    const ImageSize size = pyramid.size(level);
    if (!((dx + 2) * size.width * size.height <= budget)) break;
    --level;
  }
  return level;
}

void finishCoarseToFine(const LumaPyramid& previous, const LumaPyramid& current, int level,
                        CameraRecord& record, const StitchParams& params, IProgress* progress,
                        TraceSink& trace) {
  for (int finer = level - 1; finer >= 0; --finer) {
    CameraRecord refined = record;
    refined.distortion = 0;
    refineOnLevel(previous, current, finer, refined, params, progress, trace,
                  {LensTerm::Radial, finishStride(previous.size(finer), finer), true, true});
    if (checkPair(refined) != PairCheck::Plausible) return;
    record = refined;
  }
}

namespace {

// The axis-only pass on the coarsest level and the full refinement on `level`, restarted with
// one more property frozen while the result is implausible (see alignPair). Returns the fit of
// the last full refinement.
StepFit refineFromOffset(const LumaPyramid& previous, const LumaPyramid& current,
                         const CoarseOffset& offset, int level, CameraRecord& record,
                         const StitchParams& params, IProgress* progress, TraceSink& trace) {
  record.brightness = offset.meanDiff;
  record.axis = {offset.dx, offset.dy, 2 * record.focal};

  pushRange(progress, 0, 0.2);
  CameraRecord start = record;
  record.fitRoll = record.fitDistortion = record.fitFocal = 0;
  refineOnLevel(previous, current, previous.coarsestLevel(), record, params, progress, trace);
  start.axis = record.axis;
  record = start;
  popRange(progress);

  // The coarse-to-fine profile also runs the full refinement with the radial lens and the exact
  // Jacobian on every other column and row (the x-shift term set to 0), which holds a wide
  // lens's pair where the small-angle columns lose it, and keeps the plausible one of the two
  // results that fits the pixels both compare better. The two runs are independent and take
  // two cores; the exact run's trace follows the other's, as when they ran one after the other.
  const bool coarseToFine = params.autoFocal == kAutoFocalCoarseToFine;
  for (;;) {
    CameraRecord exact = record;
    exact.distortion = 0;
    StringTrace exactTrace;
    std::future<StepFit> exactRun;
    if (coarseToFine)
      exactRun = startBeside([&] {
        return refineOnLevel(previous, current, level, exact, params, nullptr, exactTrace,
                             {LensTerm::Radial, 2, true});
      });
    pushRange(progress, 0.2, 1.0);
    StepFit fit = refineOnLevel(previous, current, level, record, params, progress, trace);
    popRange(progress);
    if (coarseToFine) {
      const StepFit exactFit = exactRun.get();
      trace.write(exactTrace.text());
      if (checkPair(exact) == PairCheck::Plausible) {
        const CommonOverlapFit common = compareOnCommonOverlap(
            previous.level(level), current.level(level), previous.size(level), record, exact);
        if (checkPair(record) != PairCheck::Plausible || common.second < common.first) {
          record = exact;
          fit = exactFit;
        }
      }
    }

    std::int32_t* frozen = nullptr;
    EngineText text{};
    switch (checkPair(record)) {
      case PairCheck::Plausible:
        return fit;
      case PairCheck::RollOutOfBounds:
        frozen = &start.fitRoll;
        text = EngineText::UnsuitableAngle;
        break;
      case PairCheck::DistortionOutOfBounds:
        frozen = &start.fitDistortion;
        text = EngineText::UnsuitableDistortion;
        break;
      case PairCheck::FocalOutOfBounds:
        frozen = &start.fitFocal;
        text = EngineText::UnsuitableFocalLength;
        break;
    }
    // The property kept its inherited value in this run and still failed: a restart would
    // repeat this run for ever.
    if (*frozen == 0) return fit;
    *frozen = 0;
    if (reportStop(progress, 0, std::string(engineText(text)).c_str())) return fit;
    record = start;
  }
}

// refineFromOffset from each of kFirstPairStarts times the record's focal length, each taking
// an equal share of the progress range. The first start's result is kept unless a later one is
// plausible, ended above its own start and either the kept one is not plausible, or it ends in
// another solution (more than kSameBasin away) and fits the overlap better (a lower share of
// disagreeing pixels on the refinement level).
StepFit refineFromStarts(const LumaPyramid& previous, const LumaPyramid& current,
                         const CoarseOffset& offset, int level, CameraRecord& record,
                         const StitchParams& params, IProgress* progress, TraceSink& trace) {
  const CameraRecord guess = record;
  const auto starts = static_cast<double>(std::size(kFirstPairStarts));
  StepFit fit;
  double firstFocal = 0;
  for (std::size_t k = 0; k < std::size(kFirstPairStarts); ++k) {
    CameraRecord trial = guess;
    trial.focal = guess.focal * kFirstPairStarts[k];
    pushRange(progress, static_cast<double>(k) / starts, static_cast<double>(k + 1) / starts);
    const StepFit trialFit =
        refineFromOffset(previous, current, offset, level, trial, params, progress, trace);
    popRange(progress);
    if (k == 0) {
      record = trial;
      fit = trialFit;
      firstFocal = trial.focal;
      continue;
    }
    const bool elsewhere = !(std::fabs(trial.focal / firstFocal - 1) <= kSameBasin);
    // A run that ends below its own start was not pulled towards a solution but drifted off.
    const bool pulledUp = trial.focal > guess.focal * kFirstPairStarts[k];
    if (checkPair(trial) == PairCheck::Plausible && pulledUp &&
        (checkPair(record) != PairCheck::Plausible ||
         (elsewhere && trialFit.disagreement() < fit.disagreement()))) {
      record = trial;
      fit = trialFit;
    }
  }
  return fit;
}

// The coarse search's offset and the previous pair's lying further apart than this (normalised
// units, the width spans 2) leave the search in doubt: an overlap with little structure can
// match at another offset.
constexpr double kOffsetDisagreement = 0.1;

// The full refinement from the coarse search's offset and from the previous pair's (the
// record's axis on entry), both on the coarser of the two offsets' refinement levels; keeps the
// plausible result with the lower mean-removed squared difference on the pixels both results
// compare, the search's when neither is plausible.
// `level` becomes the level both ran on.
StepFit refineFromHint(const LumaPyramid& previous, const LumaPyramid& current,
                       const CoarseOffset& offset, int& level, CameraRecord& record,
                       const StitchParams& params, IProgress* progress, TraceSink& trace) {
  CoarseOffset hint = offset;
  hint.dx = record.axis.x;
  hint.dy = record.axis.y;
  level = std::max(level, refinementLevel(previous, hint.dx, params));
  CameraRecord hinted = record;
  pushRange(progress, 0, 0.5);
  StepFit fit = refineFromOffset(previous, current, offset, level, record, params, progress, trace);
  popRange(progress);
  pushRange(progress, 0.5, 1);
  const StepFit hintedFit =
      refineFromOffset(previous, current, hint, level, hinted, params, progress, trace);
  popRange(progress);
  // The two offsets can match at different overlaps, where per-pixel measures do not compare
  // fairly; both results are judged on the pixels they both compare.
  const CommonOverlapFit common = compareOnCommonOverlap(
      previous.level(level), current.level(level), previous.size(level), record, hinted);
  if (checkPair(hinted) == PairCheck::Plausible &&
      (checkPair(record) != PairCheck::Plausible || common.second < common.first)) {
    record = hinted;
    fit = hintedFit;
  }
  return fit;
}

}  // namespace

StepFit alignPair(const LumaPyramid& previous, const LumaPyramid& current, CameraRecord& record,
                  const StitchParams& params, IProgress* progress, TraceSink& trace,
                  bool guessedFocal) {
  const CoarseOffset offset = searchCoarseOffset(previous, current, params);
  int level = refinementLevel(previous, offset.dx, params);
  const bool coarseToFine = params.autoFocal == kAutoFocalCoarseToFine;

  StepFit fit;
  if (coarseToFine && guessedFocal) {
    fit = refineFromStarts(previous, current, offset, level, record, params, progress, trace);
  } else if (coarseToFine && !(std::hypot(record.axis.x - offset.dx, record.axis.y - offset.dy) <=
                               kOffsetDisagreement)) {
    fit = refineFromHint(previous, current, offset, level, record, params, progress, trace);
  } else {
    fit = refineFromOffset(previous, current, offset, level, record, params, progress, trace);
  }
  if (coarseToFine && checkPair(record) == PairCheck::Plausible) {
    // The finish reports at the end of the pair's range, where it stays.
    pushRange(progress, 1.0, 1.0);
    finishCoarseToFine(previous, current, level, record, params, progress, trace);
    popRange(progress);
  }
  return fit;
}

}  // namespace skylacer
