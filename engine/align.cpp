#include "engine/align.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <future>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/coarse_search.h"
#include "engine/features.h"
#include "engine/messages.h"
#include "engine/pair_estimate.h"
#include "engine/parallel.h"
#include "engine/series_solve.h"

namespace skylacer {

namespace {

void pushRange(IProgress* progress, double from, double to) {
  if (progress != nullptr) progress->PushRange(from, to);
}

void popRange(IProgress* progress) {
  if (progress != nullptr) progress->PopRange();
}

// Least sample grid points a finish level keeps when it samples every other column and row:
// the working size pins the result down, a level above it only brings the start within reach.
constexpr std::int64_t kLeastFinalGrid = std::int64_t{1} << 17;
constexpr std::int64_t kLeastIntermediateGrid = std::int64_t{1} << 15;

bool reportStop(IProgress* progress, double fraction, const char* text) {
  return progress != nullptr && progress->Report(fraction, text);
}

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

// The precise finish of a plausible pair: the full refinement again on every level finer than
// `level`, down to the working size, each starting from the one before. Pixel-level detail
// pins the focal length and the turn down, and the coarser result keeps the start within a
// Gauss-Newton step's reach on the next level. The finish models the lens as radial (the
// x-shift term is dropped): radial distortion otherwise reads as a longer or shorter focal
// length. A finer level's result that leaves the plausible bounds is discarded and the finish
// ends with the last plausible one.
void finishCoarseToFine(const LumaPyramid& previous, const LumaPyramid& current, int level,
                        CameraRecord& record, const StitchParams& params, IProgress* progress,
                        TraceSink& trace) {
  for (int finer = level - 1; finer >= 0; --finer) {
    CameraRecord refined = record;
    refined.distortion = 0;
    refineOnLevel(previous, current, finer, refined, params, progress, trace,
                  {LensTerm::Radial, finishStride(previous.size(finer), finer)});
    if (checkPair(refined) != PairCheck::Plausible) return;
    record = refined;
  }
}

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

namespace {

// Starting focal lengths the coarse-to-fine profile tries on the first pair, as factors of the
// lens slider's: a refinement run does not travel far from a start 1.5 times the truth or more.
constexpr double kFirstPairStarts[] = {1.0, 1.0 / 1.5, 1.0 / 2.25};
// Results within this share of the slider start's focal length are the same solution, which
// the finish settles; only a start that ends further away may replace it.
constexpr double kSameBasin = 0.1;

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

namespace {

// The middle value of `values` (reordered), the mean of the two middle ones for an even count.
double median(std::vector<double>& values) {
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  if (values.size() % 2 == 1) return *middle;
  return (*middle + *std::max_element(values.begin(), middle)) / 2;
}

// The median of records 1..m's focal lengths; 0 when m < kLeastPairsForOutliers (a median of
// fewer pairs cannot tell one of them wrong).
double medianFocal(std::span<const CameraRecord> records) {
  if (records.size() < kLeastPairsForOutliers + 1) return 0;
  std::vector<double> focals;
  focals.reserve(records.size() - 1);
  for (const auto& record : records.subspan(1)) focals.push_back(record.focal);
  return median(focals);
}

bool isLensOutlier(const CameraRecord& record, double medianFocal) {
  return !(std::fabs(record.focal / medianFocal - 1) <= kLensOutlierShare);
}

// The angle (radians) of the rotation left over when the pair rotations of a full circle's
// records 0..n are chained (records' rotations overwritten): 0 when the circle closes.
double circleResidual(std::span<CameraRecord> records) {
  chainRotations(records);
  const Matrix3& left = records.back().rotation;
  const double cosine = (left[0][0] + left[1][1] + left[2][2] - 1) / 2;
  return std::acos(std::clamp(cosine, -1.0, 1.0));
}

// Pairs 1..m whose lens is an outlier (isLensOutlier) settled in another solution of lens and
// turn together; each is aligned again with the focal length and radial lens of the others
// held fixed, which leaves only its turn to find. Nothing changes when every pair, or none, is
// an outlier.
void realignLensOutliers(std::span<const LumaImage> planes, ImageSize size,
                         std::span<CameraRecord> records, StitchParams& params, IProgress* progress,
                         TraceSink& trace) {
  const double middle = medianFocal(records);
  if (middle == 0) return;
  std::vector<CameraRecord> lens(records.begin(), records.end());
  bool anyOutlier = false;
  bool anyInlier = false;
  for (const auto& record : records.subspan(1))
    (isLensOutlier(record, middle) ? anyOutlier : anyInlier) = true;
  if (!anyOutlier || !anyInlier) return;
  averageLensWithoutOutliers(lens);

  const std::size_t n = planes.size();
  for (std::size_t i = 1; i < records.size(); ++i) {
    if (!isLensOutlier(records[i], middle)) continue;
    const LumaPyramid previous = buildPyramid(planes[i - 1], size, params);
    const LumaPyramid current = buildPyramid(planes[i % n], size, params);
    CameraRecord held = records[i];
    held.focal = lens[i].focal;
    held.radial = lens[i].radial;
    held.distortion = 0;
    held.axis.z = 2 * held.focal;
    held.fitDistortion = 0;
    held.fitFocal = 0;
    // A second start from the coarse search's offset when it lies near the outlier's own
    // turn, refined with the lens held: the outlier's own record can lie in the other
    // solution's basin. Of the two, the one that fits the pixels both compare better on the
    // working size is kept. A search offset further away matched at another overlap, which the
    // outlier's own run already weighed against it.
    const CoarseOffset offset = searchCoarseOffset(previous, current, params);
    CameraRecord searched = held;
    const bool nearOwn =
        std::hypot(held.axis.x - offset.dx, held.axis.y - offset.dy) <= kOffsetDisagreement;
    pushRange(progress, 1.0, 1.0);
    const int level = refinementLevel(previous, held.axis.x, params);
    finishCoarseToFine(previous, current, level + 1, held, params, progress, trace);
    if (nearOwn) {
      const int searchedLevel = refinementLevel(previous, offset.dx, params);
      refineFromOffset(previous, current, offset, searchedLevel, searched, params, progress, trace);
      if (checkPair(searched) == PairCheck::Plausible) {
        finishCoarseToFine(previous, current, searchedLevel, searched, params, progress, trace);
        const CommonOverlapFit common = compareOnCommonOverlap(previous.level(0), current.level(0),
                                                               previous.size(0), held, searched);
        if (common.second < common.first) held = searched;
      }
    }
    popRange(progress);
    records[i] = held;
  }
}

// A full circle's closing pair (record n, photograph n - 1 to photograph 0) aligned again from
// the turn of the pair before (roll 0) with the series' lens held, from its refinement level
// down: its overlap can match elsewhere, and the circle decides. The result is kept when the
// chained pairs then leave a smaller rotation at the series' lens.
void realignClosingPair(std::span<const LumaImage> planes, ImageSize size,
                        std::span<CameraRecord> records, StitchParams& params, IProgress* progress,
                        TraceSink& trace) {
  const std::size_t n = records.size() - 1;
  if (n < 3) return;
  std::vector<CameraRecord> lens(records.begin(), records.end());
  averageLensWithoutOutliers(lens);
  CameraRecord turned = lens[n];
  turned.axis.x = lens[n - 1].axis.x;
  turned.axis.y = lens[n - 1].axis.y;
  turned.roll = 0;
  turned.distortion = 0;
  turned.fitDistortion = 0;
  turned.fitFocal = 0;
  const LumaPyramid previous = buildPyramid(planes[n - 1], size, params);
  const LumaPyramid current = buildPyramid(planes[0], size, params);
  pushRange(progress, 1.0, 1.0);
  finishCoarseToFine(previous, current, refinementLevel(previous, turned.axis.x, params) + 1,
                     turned, params, progress, trace);
  popRange(progress);
  const double ownResidual = circleResidual(lens);
  lens[n] = turned;
  if (circleResidual(lens) < ownResidual) records[n] = turned;
}

// Share of the alignment's progress range the feature stage takes.
constexpr double kFeatureShare = 0.25;

// How many of a pair's matches its record's rotation and lens still explain, within twice
// kInlierDistance.
int inliersExplained(const CameraRecord& record, std::span<const FeatureMatch> inliers) {
  const Matrix3 rotation = pairRotation(record);
  constexpr double limit = 4 * kInlierDistance * kInlierDistance;
  return static_cast<int>(std::count_if(inliers.begin(), inliers.end(), [&](const FeatureMatch& m) {
    return matchErrorSquared(m, rotation, record.focal, record.radial) < limit;
  }));
}

// The overlap correlation of a pair's final record on a high-pass level of about 512 pixels,
// and the best one with the new photograph moved by a few pixels in each direction.
void measureOverlap(const LumaPyramid& previous, const LumaPyramid& current,
                    const CameraRecord& record, PairEvidence& evidence) {
  int level = 0;
  while (level < previous.coarsestLevel() && previous.size(level).width > 512) ++level;
  const ImageSize size = previous.size(level);
  const OverlapCorrelation own =
      correlateOverlap(previous.level(level), current.level(level), size, record);
  evidence.correlation = own.correlation;
  evidence.compared = own.compared;
  evidence.nearCorrelation = -1;
  // Six pixels of this level, in normalised units along the axis.
  const double shift = 12.0 / size.width;
  for (const Vec3 move :
       {Vec3{shift, 0, 0}, Vec3{-shift, 0, 0}, Vec3{0, shift, 0}, Vec3{0, -shift, 0}}) {
    CameraRecord moved = record;
    moved.axis = moved.axis + move;
    evidence.nearCorrelation = std::max(
        evidence.nearCorrelation,
        correlateOverlap(previous.level(level), current.level(level), size, moved).correlation);
  }
}

// Feature estimates of pairs 1..pairs (index 0 unused) and the series solve over them; the
// features of each photograph are found once (on the planes when the caller gives none: the first
// half of the progress range, the matching the second). Nothing when stopped.
struct FeatureStage {
  std::vector<std::optional<PairEstimate>> estimates;
  std::optional<SeriesSolution> solution;
};
std::optional<FeatureStage> runFeatureStage(std::span<const LumaImage> planes, ImageSize size,
                                            std::span<const FeatureSet> given, int pairs,
                                            double fixedFocal, bool fitRadial,
                                            IProgress* progress) {
  const std::size_t n = planes.size();
  std::vector<FeatureSet> found;
  if (given.size() != n) {
    found.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
      if (reportStop(progress, 0.5 * static_cast<double>(i) / static_cast<double>(n), nullptr))
        return std::nullopt;
      found[i] = detectFeatures(greyFromLuma(planes[i], size), size);
    }
  }
  const std::span<const FeatureSet> features = given.size() == n ? given : found;
  FeatureStage stage;
  stage.estimates.resize(static_cast<std::size_t>(pairs) + 1);
  for (std::size_t i = 1; i <= static_cast<std::size_t>(pairs); ++i) {
    if (reportStop(progress, 0.5 + 0.5 * static_cast<double>(i - 1) / pairs, nullptr))
      return std::nullopt;
    stage.estimates[i] = estimatePair(matchFeatures(features[i - 1], features[i % n]), fixedFocal,
                                      static_cast<std::uint32_t>(i));
  }
  stage.solution = solveSeries(stage.estimates, n, fixedFocal, fitRadial);
  return stage;
}

// The pairs of a robust alignment. Each pair the feature stage estimated takes the series
// solve's rotation and lens: measured on the corpus and on rendered series, the matches of a
// whole series pin turns and lens down better than the photometric steps refine them (those
// compare exposure as well as detail). A pair without an estimate falls back to the coarse
// search and the photometric refinement, with the series' lens held where the feature stage
// found one. Fills evidence[1..m]; false when the progress object asked to stop.
bool alignPairsFromFeatures(std::span<const LumaImage> planes, std::span<const FeatureSet> features,
                            ImageSize size, std::span<CameraRecord> records, StitchParams& params,
                            IProgress* progress, TraceSink& trace,
                            std::vector<PairEvidence>& evidence) {
  const int n = static_cast<int>(planes.size());
  const bool fullCircle = params.full360 != 0;
  const int pairs = fullCircle ? n : n - 1;
  evidence.assign(static_cast<std::size_t>(pairs) + 1, PairEvidence{});

  pushRange(progress, 0, kFeatureShare);
  const double fixedFocal = params.autoFocal == 0 ? records[1].focal : 0;
  const std::optional<FeatureStage> stage = runFeatureStage(
      planes, size, features, pairs, fixedFocal, params.correctDistortion != 0, progress);
  popRange(progress);
  if (!stage) return false;
  const std::optional<SeriesSolution>& solution = stage->solution;
  StitchParams fallback = params;
  fallback.autoFocal = kAutoFocalCoarseToFine;

  pushRange(progress, kFeatureShare, 1);
  bool anyFallback = false;
  for (int i = 1; i <= pairs; ++i) {
    pushRange(progress, static_cast<double>(i - 1) / pairs, static_cast<double>(i) / pairs);
    if (reportStop(progress, 0, aligningImageText(i).c_str())) {
      popRange(progress);
      popRange(progress);
      return false;
    }
    const auto index = static_cast<std::size_t>(i);
    CameraRecord& record = records[index];
    record = records[index - 1];
    record.roll = 0;
    record.brightness = 0;
    record.fitRoll = params.calcRotation;
    record.fitDistortion = params.correctDistortion;
    record.fitFocal = params.autoFocal;
    if (solution) {
      record.focal = solution->lens.focal;
      record.radial = solution->lens.radial;
      record.distortion = 0;
      record.axis.z = 2 * record.focal;
    }
    PairEvidence& found = evidence[index];
    if (solution && solution->pairRotations[index]) {
      setPairRotation(record, *solution->pairRotations[index]);
      const std::vector<FeatureMatch>& inliers = stage->estimates[index]->inliers;
      found.inliers = static_cast<int>(inliers.size());
      found.inliersKept = inliersExplained(record, inliers);
      found.turnDeviation = solution->turnDeviations[index];
      found.focalDeviation = solution->focalDeviation;
    } else {
      anyFallback = true;
      if (solution) record.fitFocal = record.fitDistortion = 0;
      const LumaPyramid previous = buildPyramid(planes[index - 1], size, params);
      const LumaPyramid current =
          buildPyramid(planes[index % static_cast<std::size_t>(n)], size, params);
      alignPair(previous, current, record, fallback, progress, trace, !solution);
      measureOverlap(previous, current, record, found);
    }
    popRange(progress);
  }
  popRange(progress);
  if (fullCircle && anyFallback) {
    realignClosingPair(planes, size, records.first(static_cast<std::size_t>(n) + 1), fallback,
                       progress, trace);
    balanceRolls(records.first(static_cast<std::size_t>(n) + 1));
  }
  return true;
}

// Aligns every pair of the sequence; false when the progress object asked to stop.
bool alignPairs(std::span<const LumaImage> planes, ImageSize size, std::span<CameraRecord> records,
                StitchParams& params, IProgress* progress, TraceSink& trace) {
  const int n = static_cast<int>(planes.size());
  const bool fullCircle = params.full360 != 0;
  const int pairs = fullCircle ? n : n - 1;

  LumaPyramid current = buildPyramid(planes[0], size, params);
  // Pair i joins photograph i (photograph 0 for the closing pair i = n) to photograph i - 1.
  for (int i = 1; i <= pairs; ++i) {
    pushRange(progress, static_cast<double>(i - 1) / pairs, static_cast<double>(i) / pairs);
    if (reportStop(progress, 0, aligningImageText(i).c_str())) {
      popRange(progress);
      return false;
    }
    const LumaPyramid previous = std::move(current);
    current = buildPyramid(planes[static_cast<std::size_t>(i % n)], size, params);

    CameraRecord& record = records[static_cast<std::size_t>(i)];
    record = records[static_cast<std::size_t>(i - 1)];
    record.roll = 0;
    record.fitRoll = params.calcRotation;
    record.fitDistortion = params.correctDistortion;
    record.fitFocal = params.autoFocal;
    alignPair(previous, current, record, params, progress, trace, i == 1);
    popRange(progress);
  }
  if (params.autoFocal == kAutoFocalCoarseToFine)
    realignLensOutliers(planes, size, records.first(static_cast<std::size_t>(pairs) + 1), params,
                        progress, trace);
  if (params.autoFocal == kAutoFocalCoarseToFine && fullCircle)
    realignClosingPair(planes, size, records.first(static_cast<std::size_t>(n) + 1), params,
                       progress, trace);
  if (fullCircle) balanceRolls(records.first(static_cast<std::size_t>(n) + 1));
  return true;
}

}  // namespace

void alignAll(std::span<const LumaImage> planes, ImageSize size, std::span<CameraRecord> records,
              StitchParams& params, IProgress* progress, TraceSink& trace,
              std::vector<PairEvidence>* evidence, std::span<const FeatureSet> features) {
  const std::size_t n = planes.size();
  if (n == 0) return;
  if (records.size() < n + 1) throw std::invalid_argument("alignAll needs n + 1 camera records");
  records[0].axis.z = 1.0;
  const bool robust = params.autoFocal != kAutoFocalSearchOnly;
  std::vector<PairEvidence> found;
  const bool aligned = robust ? alignPairsFromFeatures(planes, features, size, records, params,
                                                       progress, trace, found)
                              : alignPairs(planes, size, records, params, progress, trace);
  if (!aligned) return;
  if (evidence != nullptr) *evidence = std::move(found);

  const std::size_t last = params.full360 != 0 ? n : n - 1;
  const auto inUse = records.first(last + 1);
  const bool coarseToFine = robust || params.autoFocal == kAutoFocalCoarseToFine;
  if (coarseToFine)
    averageLensWithoutOutliers(inUse);
  else
    averageLens(inUse);
  if (coarseToFine && params.full360 != 0) closeCircle(inUse);
  chainRotations(inUse);
  levelCameras(inUse);
}

void balanceRolls(std::span<CameraRecord> records) {
  if (records.size() < 2) return;
  double sum = 0;
  for (const auto& record : records) sum += record.roll;
  const double mean = sum / static_cast<double>(records.size() - 1);
  for (auto& record : records.subspan(1)) record.roll -= mean;
}

namespace {

// averageLens over the aligned records 1..m for which counts(record) holds; false, and nothing
// changed, when none does.
template <typename Counts>
bool averageLensOver(std::span<CameraRecord> records, Counts counts) {
  if (records.size() < 2) return false;
  double aligned = 0;
  double distortionSum = 0;
  double radialSum = 0;
  double focalSum = 0;
  for (const auto& record : records.subspan(1)) {
    if (!counts(record)) continue;
    aligned += 1;
    distortionSum += record.distortion;
    radialSum += record.radial;
    focalSum += record.focal;
  }
  if (aligned == 0) return false;
  const double distortion = distortionSum / (2 * aligned);
  const double radial = radialSum / aligned;
  const double focal = focalSum / aligned;
  for (auto& record : records) {
    record.distortion = distortion;
    record.radial = radial;
    record.focal = focal;
    record.axis.z = 2 * focal;
  }
  return true;
}

}  // namespace

void averageLens(std::span<CameraRecord> records) {
  averageLensOver(records, [](const CameraRecord&) { return true; });
}

void averageLensWithoutOutliers(std::span<CameraRecord> records) {
  const double middle = medianFocal(records);
  const bool averaged =
      middle > 0 && averageLensOver(records, [middle](const CameraRecord& record) {
        return !isLensOutlier(record, middle);
      });
  if (!averaged) averageLens(records);
}

void chainRotations(std::span<CameraRecord> records) {
  Matrix3 chained = identityMatrix();
  for (auto& record : records) {
    chained = chained * pairRotation(record);
    record.rotation = chained;
  }
}

void levelCameras(std::span<CameraRecord> records) {
  if (records.empty()) return;
  Vec3 up{0, 1, 0};
  for (const auto& record : records.subspan(1)) up = up + matrixRow(record.rotation, 1);
  up = normalized(up);
  const Vec3 right = normalized(Vec3{1, 0, 0} - up.x * up);
  Vec3 forward = Vec3{0, 0, 1} - up.z * up;
  forward = normalized(forward - dot(forward, right) * right);
  const Matrix3 level = matrixFromRows(right, up, forward);
  for (auto& record : records) record.rotation = level * record.rotation;
}

namespace {

// The turn about the vertical left over when the pair rotations of records 0..n (a full circle,
// record n the closing pair) are chained at focal length `focal`: 0 when the circle closes.
double closingTurn(std::span<CameraRecord> records, double focal) {
  for (auto& record : records) {
    record.focal = focal;
    record.axis.z = 2 * focal;
  }
  chainRotations(records);
  const Vec3 forward = records.back().rotation * Vec3{0, 0, 1};
  return std::atan2(forward.x, forward.z);
}

}  // namespace

void closeCircle(std::span<CameraRecord> records) {
  if (records.size() < 2) return;
  const double mean = records.front().focal;
  double before = mean;
  double turnBefore = closingTurn(records, before);
  double focal = mean * (1 + kLensOutlierShare / 10);
  for (int step = 0; step < 6; ++step) {
    const double turn = closingTurn(records, focal);
    if (!(std::fabs(turn - turnBefore) > 0)) break;
    const double next = focal - turn * (focal - before) / (turn - turnBefore);
    before = focal;
    turnBefore = turn;
    focal = next;
  }
  if (!(std::fabs(focal / mean - 1) <= kLensOutlierShare)) focal = mean;
  closingTurn(records, focal);
}

}  // namespace skylacer
