// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/align.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

#include "engine/circle_closing.h"
#include "engine/features.h"
#include "engine/match_refinement.h"
#include "engine/messages.h"
#include "engine/opencv_buffers.h"
#include "engine/optional_progress.h"
#include "engine/pair_estimate.h"
#include "engine/pair_evidence.h"
#include "engine/pair_refinement.h"
#include "engine/series_cameras.h"
#include "engine/series_solve.h"

namespace skylacer {

namespace {

// Share of the alignment's progress range the feature stage takes.
constexpr double kFeatureShare = 0.25;

}  // namespace

std::optional<PairEstimate> estimateSeriesPair(const FeatureSet& previous,
                                               const FeatureSet& current, int pair,
                                               double fixedFocal, double seedFocal, int workers) {
  const auto seed = static_cast<std::uint32_t>(pair);
  std::optional<PairEstimate> estimate =
      estimateRefinedPair(previous, current, fixedFocal, seed, workers);
  // Two matches fix a rotation once the focal length is known: fewer matches then suffice.
  if (!estimate && fixedFocal == 0 && seedFocal > 0)
    estimate = estimateRefinedPair(previous, current, seedFocal, seed, workers);
  return estimate;
}

namespace {

// Frees what pair i (photographs i - 1 and i) built that no later pair needs: a full circle comes
// back to photograph 0 in its closing pair n, and to photographs n - 1 and 0 when it realigns that
// pair.
void forgetAfterPair(SeriesPyramids& pyramids, int i, int n, bool fullCircle) {
  if (fullCircle && (i == 1 || i == n)) return;
  pyramids.forget(static_cast<std::size_t>(i - 1));
}

// Feature estimates of pairs 1..pairs (index 0 unused) and the series solve over them; the
// features of each photograph are found once (on the planes when the caller gives none: the first
// half of the progress range, the matching the second). Nothing when stopped.
struct FeatureStage {
  std::vector<std::optional<PairEstimate>> estimates;
  std::optional<SeriesSolution> solution;
};
std::optional<FeatureStage> runFeatureStage(const WorkingPlanes& planes, ImageSize size,
                                            std::span<const FeatureSet> given,
                                            std::span<const std::optional<PairEstimate>> estimates,
                                            int pairs, double fixedFocal, double seedFocal,
                                            bool fitRadial, IProgress* progress) {
  const std::size_t n = planes.count();
  FeatureStage stage;
  if (estimates.size() == static_cast<std::size_t>(pairs) + 1) {
    stage.estimates.assign(estimates.begin(), estimates.end());
    stage.solution = solveSeries(stage.estimates, n, fixedFocal, fitRadial);
    return stage;
  }
  std::vector<FeatureSet> found;
  if (given.size() != n) {
    found.resize(n);
    const OpenCvBufferReuse reuse;
    for (std::size_t i = 0; i < n; ++i) {
      if (reportStop(progress, 0.5 * static_cast<double>(i) / static_cast<double>(n), nullptr))
        return std::nullopt;
      found[i] = detectFeatures(greyFromLuma(planes.plane(i), size), size);
    }
  }
  const std::span<const FeatureSet> features = given.size() == n ? given : found;
  stage.estimates.resize(static_cast<std::size_t>(pairs) + 1);
  for (std::size_t i = 1; i <= static_cast<std::size_t>(pairs); ++i) {
    if (reportStop(progress, 0.5 + 0.5 * static_cast<double>(i - 1) / pairs, nullptr))
      return std::nullopt;
    stage.estimates[i] = estimateSeriesPair(features[i - 1], features[i % n], static_cast<int>(i),
                                            fixedFocal, seedFocal);
  }
  stage.solution = solveSeries(stage.estimates, n, fixedFocal, fitRadial);
  return stage;
}

// The pairs of a robust alignment. Each pair the feature stage estimated takes the series
// solve's rotation and lens: measured on the corpus and on rendered series, the matches of a
// whole series pin turns and lens down better than the photometric steps refine them (those
// compare exposure as well as detail). A pair without an estimate falls back to the coarse
// search and the photometric refinement, with the series' lens held where the feature stage
// found one. Fills evidence[1..m]. Stopped when the progress object asked to stop; Unmatched,
// with the pairs left unaligned, for a series of no estimated pair at a free focal length that
// is to be refused when unsure (see alignAll).
enum class PairsAligned { Aligned, Stopped, Unmatched };
PairsAligned alignPairsFromFeatures(const WorkingPlanes& planes,
                                    std::span<const FeatureSet> features, ImageSize size,
                                    std::span<CameraRecord> records, StitchParams& params,
                                    IProgress* progress, TraceSink& trace,
                                    std::vector<PairEvidence>& evidence, double seedFocal,
                                    AlignmentCheck check,
                                    std::span<const std::optional<PairEstimate>> estimates) {
  const int n = static_cast<int>(planes.count());
  const bool fullCircle = params.full360 != 0;
  const int pairs = fullCircle ? n : n - 1;
  evidence.assign(static_cast<std::size_t>(pairs) + 1, PairEvidence{});

  pushRange(progress, 0, kFeatureShare);
  const double fixedFocal = params.autoFocal == 0 ? records[1].focal : 0;
  const std::optional<FeatureStage> stage =
      runFeatureStage(planes, size, features, estimates, pairs, fixedFocal, seedFocal,
                      params.correctDistortion != 0, progress);
  popRange(progress);
  if (!stage) return PairsAligned::Stopped;
  const std::optional<SeriesSolution>& solution = stage->solution;
  if (!solution && fixedFocal == 0 && check == AlignmentCheck::Refuse)
    return PairsAligned::Unmatched;
  StitchParams fallback = params;
  fallback.autoFocal = kAutoFocalCoarseToFine;

  SeriesPyramids pyramids(planes, size, params);
  pushRange(progress, kFeatureShare, 1);
  bool anyFallback = false;
  for (int i = 1; i <= pairs; ++i) {
    pushRange(progress, static_cast<double>(i - 1) / pairs, static_cast<double>(i) / pairs);
    if (reportStop(progress, 0, aligningImageText(i).c_str())) {
      popRange(progress);
      popRange(progress);
      return PairsAligned::Stopped;
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
      found.rollDeviation = solution->rollDeviations[index];
      found.focalDeviation = solution->focalDeviation;
    } else {
      anyFallback = true;
      if (solution) record.fitFocal = record.fitDistortion = 0;
      const LumaPyramid& previous = pyramids.of(index - 1);
      const LumaPyramid& current = pyramids.of(index % static_cast<std::size_t>(n));
      alignPair(previous, current, record, fallback, progress, trace, !solution);
      measureOverlap(previous, current, record, found);
    }
    popRange(progress);
    forgetAfterPair(pyramids, i, n, fullCircle);
  }
  popRange(progress);
  if (fullCircle && anyFallback) {
    realignClosingPair(pyramids, records.first(static_cast<std::size_t>(n) + 1), fallback, progress,
                       trace);
    balanceRolls(records.first(static_cast<std::size_t>(n) + 1));
  }
  return PairsAligned::Aligned;
}

// The pairs of the coarse-search profile: each from its coarse search and refinement alone.
// Each photograph's pyramid serves the pair on either side of it. False when the progress
// object asked to stop.
bool alignPairs(const WorkingPlanes& planes, ImageSize size, std::span<CameraRecord> records,
                StitchParams& params, IProgress* progress, TraceSink& trace) {
  const int n = static_cast<int>(planes.count());
  const bool fullCircle = params.full360 != 0;
  const int pairs = fullCircle ? n : n - 1;

  SeriesPyramids pyramids(planes, size, params);
  // Pair i joins photograph i (photograph 0 for the closing pair i = n) to photograph i - 1.
  for (int i = 1; i <= pairs; ++i) {
    pushRange(progress, static_cast<double>(i - 1) / pairs, static_cast<double>(i) / pairs);
    if (reportStop(progress, 0, aligningImageText(i).c_str())) {
      popRange(progress);
      return false;
    }
    const LumaPyramid& previous = pyramids.of(static_cast<std::size_t>(i - 1));
    const LumaPyramid& current = pyramids.of(static_cast<std::size_t>(i % n));

    CameraRecord& record = records[static_cast<std::size_t>(i)];
    record = records[static_cast<std::size_t>(i - 1)];
    record.roll = 0;
    record.fitRoll = params.calcRotation;
    record.fitDistortion = params.correctDistortion;
    record.fitFocal = params.autoFocal;
    alignPair(previous, current, record, params, progress, trace);
    popRange(progress);
    forgetAfterPair(pyramids, i, n, fullCircle);
  }
  if (fullCircle) balanceRolls(records.first(static_cast<std::size_t>(n) + 1));
  return true;
}

}  // namespace

void alignAll(const WorkingPlanes& planes, ImageSize size, std::span<CameraRecord> records,
              StitchParams& params, IProgress* progress, TraceSink& trace,
              std::vector<PairEvidence>* evidence, std::span<const FeatureSet> features,
              double seedFocal, AlignmentCheck check,
              std::span<const std::optional<PairEstimate>> estimates) {
  const std::size_t n = planes.count();
  if (n == 0) return;
  if (records.size() < n + 1) throw std::invalid_argument("alignAll needs n + 1 camera records");
  records[0].axis.z = 1.0;
  const bool robust = params.autoFocal != kAutoFocalSearchOnly;
  std::vector<PairEvidence> found;
  const PairsAligned aligned =
      robust ? alignPairsFromFeatures(planes, features, size, records, params, progress, trace,
                                      found, seedFocal, check, estimates)
      : alignPairs(planes, size, records, params, progress, trace) ? PairsAligned::Aligned
                                                                   : PairsAligned::Stopped;
  if (aligned == PairsAligned::Stopped) return;
  if (evidence != nullptr) *evidence = std::move(found);
  if (aligned == PairsAligned::Unmatched) return;

  const std::size_t last = params.full360 != 0 ? n : n - 1;
  const auto inUse = records.first(last + 1);
  if (robust)
    averageLensWithoutOutliers(inUse);
  else
    averageLens(inUse);
  if (robust && params.full360 != 0) closeCircle(inUse);
  chainRotations(inUse);
  levelCameras(inUse);
}

void alignAll(std::span<const LumaImage> planes, ImageSize size, std::span<CameraRecord> records,
              StitchParams& params, IProgress* progress, TraceSink& trace,
              std::vector<PairEvidence>* evidence, std::span<const FeatureSet> features,
              double seedFocal, AlignmentCheck check,
              std::span<const std::optional<PairEstimate>> estimates) {
  alignAll(HeldPlanes(planes), size, records, params, progress, trace, evidence, features,
           seedFocal, check, estimates);
}

}  // namespace skylacer
