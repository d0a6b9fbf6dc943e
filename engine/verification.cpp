// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/verification.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>

namespace skylacer {

namespace {

constexpr double kFullTurn = 2 * std::numbers::pi;

double coveredAngle(std::span<const double> pairTurns, std::size_t pairs, double photoAngle) {
  double covered = photoAngle;
  for (std::size_t i = 1; i <= pairs && i < pairTurns.size(); ++i) covered += pairTurns[i];
  return covered;
}

}  // namespace

namespace {

// A share of a limit: above 1 within it. Infinite for a deviation of 0.
double within(double limit, double deviation) {
  return deviation > 0 ? limit / deviation : std::numeric_limits<double>::infinity();
}

double scoreLeavingTheLensAside(const PairEvidence& evidence) {
  if (evidence.inliers > 0) {
    const double kept = static_cast<double>(evidence.inliersKept) / evidence.inliers;
    return std::min({kept / kLeastKeptShare, within(kMostTurnDeviation, evidence.turnDeviation),
                     within(kMostTurnDeviation, evidence.rollDeviation)});
  }
  if (evidence.compared < kLeastComparedPixels || !(evidence.nearCorrelation < 1)) return 0;
  const double peak =
      (evidence.correlation - evidence.nearCorrelation) / (1 - evidence.nearCorrelation);
  return std::min(evidence.correlation / kLeastCorrelation, peak / kLeastCorrelationPeak);
}

bool lensIsSure(const PairEvidence& evidence) {
  return evidence.inliers == 0 || evidence.focalDeviation <= kMostFocalDeviation;
}

}  // namespace

double pairConfidence(const PairEvidence& evidence) {
  double score = scoreLeavingTheLensAside(evidence);
  if (evidence.inliers > 0)
    score = std::min(score, within(kMostFocalDeviation, evidence.focalDeviation));
  return std::clamp(kSureConfidence * score, 0.0, 1.0);
}

std::optional<AlignmentRefusal> verifyAlignment(std::span<const PairEvidence> evidence,
                                                std::span<const double> pairTurns,
                                                double photoAngle, bool fullCircle,
                                                bool focalHeld) {
  const std::size_t pairs = pairTurns.size() - 1;
  const std::size_t n = fullCircle ? pairs : pairs + 1;

  // A turn to the left where every pair is sure of its turn: the photographs in the order their
  // turns place them.
  bool allSure = true;
  bool anyLeft = false;
  for (std::size_t i = 1; i <= pairs; ++i) {
    const bool sure = scoreLeavingTheLensAside(evidence[i]) >= 1;
    allSure = allSure && sure;
    anyLeft = anyLeft || (sure && pairTurns[i] < 0);
  }
  if (anyLeft && allSure) {
    AlignmentRefusal refusal;
    refusal.problem = AlignmentProblem::WrongOrder;
    std::vector<double> heading(n, 0);
    for (std::size_t i = 1; i < n; ++i) heading[i] = heading[i - 1] + pairTurns[i];
    refusal.order.resize(n);
    std::iota(refusal.order.begin(), refusal.order.end(), 0);
    std::stable_sort(refusal.order.begin(), refusal.order.end(), [&](int a, int b) {
      return heading[static_cast<std::size_t>(a)] < heading[static_cast<std::size_t>(b)];
    });
    return refusal;
  }
  auto unsurePair = [&](std::size_t first, std::size_t last) -> std::optional<AlignmentRefusal> {
    for (std::size_t i = first; i <= last; ++i) {
      if (scoreLeavingTheLensAside(evidence[i]) >= 1) continue;
      AlignmentRefusal refusal;
      refusal.problem = AlignmentProblem::TooLittleDetail;
      refusal.firstPhoto = static_cast<int>(i - 1);
      refusal.secondPhoto = static_cast<int>(i % n);
      return refusal;
    }
    return std::nullopt;
  };
  const std::size_t openPairs = fullCircle ? pairs - 1 : pairs;
  if (auto refusal = unsurePair(1, openPairs)) return refusal;
  // The pair with the fewest matches is the one a lens of another focal length fits as well.
  std::size_t weakest = 0;
  for (std::size_t i = 1; i <= pairs; ++i)
    if (!lensIsSure(evidence[i]) &&
        (weakest == 0 || evidence[i].inliers < evidence[weakest].inliers))
      weakest = i;
  const bool anyMatched = std::any_of(evidence.begin() + 1, evidence.begin() + 1 + pairs,
                                      [](const PairEvidence& e) { return e.inliers > 0; });
  if (!focalHeld && !anyMatched) {
    // The least sure pair is named: it is the one another focal length would suit best.
    weakest = 1;
    for (std::size_t i = 2; i <= pairs; ++i)
      if (pairConfidence(evidence[i]) < pairConfidence(evidence[weakest])) weakest = i;
  }
  if (weakest != 0) {
    AlignmentRefusal refusal;
    refusal.problem = AlignmentProblem::UncertainLens;
    refusal.firstPhoto = static_cast<int>(weakest - 1);
    refusal.secondPhoto = static_cast<int>(weakest % n);
    return refusal;
  }
  if (fullCircle) {
    // The open pairs must bring the last photograph round into the first one's overlap.
    const double open = coveredAngle(pairTurns, openPairs, photoAngle);
    if (open < kFullTurn || open > kFullTurn + 2 * photoAngle) {
      AlignmentRefusal refusal;
      refusal.problem = AlignmentProblem::NotAFullCircle;
      refusal.coveredDegrees = open * 180 / std::numbers::pi;
      return refusal;
    }
    if (auto refusal = unsurePair(pairs, pairs)) return refusal;
  }
  return std::nullopt;
}

bool closesFullCircle(std::span<const double> pairTurns, double photoAngle) {
  return coveredAngle(pairTurns, pairTurns.size() - 1, photoAngle) >= kFullTurn;
}

}  // namespace skylacer
