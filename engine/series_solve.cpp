// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/series_solve.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

#include "engine/least_squares.h"

namespace skylacer {

namespace {

constexpr int kSolveSteps = 15;
constexpr double kNudge = 1e-7;

struct SeriesState {
  std::vector<Matrix3> rotations;  // absolute, camera to world; photograph 0 the identity
  double focal = 0;
  double radial = 0;
};

// Where the series places a match's previous point, from the ray of its new point: the ray
// carried from the new photograph's camera into the previous one's.
FeaturePoint predictFromRay(Vec3 ray, const Matrix3& previous, const Matrix3& current, double focal,
                            double radial) {
  return projectRay(transposed(previous) * (current * ray), focal, radial);
}

FeaturePoint predictPrevious(const FeatureMatch& match, const Matrix3& previous,
                             const Matrix3& current, double focal, double radial) {
  return predictFromRay(featureRay(match.current, focal, radial), previous, current, focal, radial);
}

// The summed squared distance of one pair's matches from where the series places them.
double pairCost(const PairEstimate& pair, const Matrix3& previous, const Matrix3& current,
                const SeriesState& state) {
  double sum = 0;
  for (const FeatureMatch& match : pair.inliers) {
    const FeaturePoint p = predictPrevious(match, previous, current, state.focal, state.radial);
    sum += (p.x - match.previous.x) * (p.x - match.previous.x) +
           (p.y - match.previous.y) * (p.y - match.previous.y);
  }
  return sum;
}

double seriesCost(std::span<const std::optional<PairEstimate>> pairs, const SeriesState& state) {
  const std::size_t n = state.rotations.size();
  double sum = 0;
  for (std::size_t i = 1; i < pairs.size(); ++i)
    if (pairs[i]) sum += pairCost(*pairs[i], state.rotations[i - 1], state.rotations[i % n], state);
  return std::isfinite(sum) ? sum : std::numeric_limits<double>::infinity();
}

double medianFocal(std::span<const std::optional<PairEstimate>> pairs) {
  std::vector<double> focals;
  for (const auto& pair : pairs)
    if (pair) focals.push_back(pair->focal);
  std::sort(focals.begin(), focals.end());
  const std::size_t middle = focals.size() / 2;
  return focals.size() % 2 == 1 ? focals[middle] : (focals[middle - 1] + focals[middle]) / 2;
}

// The normal equations of the series at `state`: unknowns 3 per photograph 1..n-1 (a small turn
// applied on the left of its rotation), then the focal length's relative change and the radial
// coefficient where they are fitted (columns focalColumn, radialColumn; -1 when fixed).
NormalEquations seriesEquations(std::span<const std::optional<PairEstimate>> pairs,
                                const SeriesState& state, int focalColumn, int radialColumn,
                                int unknowns) {
  NormalEquations equations(unknowns);
  const std::size_t n = state.rotations.size();
  // The pair's two rotations with one unknown of one of its photographs nudged, and that
  // unknown's column: the same for every match of the pair.
  struct NudgedRotations {
    Matrix3 previous, current;
    int column = 0;
  };
  std::vector<NudgedRotations> nudged;
  for (std::size_t i = 1; i < pairs.size(); ++i) {
    if (!pairs[i]) continue;
    const std::size_t a = i - 1;
    const std::size_t b = i % n;
    nudged.clear();
    for (const std::size_t photo : {a, b}) {
      if (photo == 0) continue;
      for (int axis = 0; axis < 3; ++axis) {
        Vec3 turn{};
        (axis == 0 ? turn.x : axis == 1 ? turn.y : turn.z) = kNudge;
        NudgedRotations rotations{state.rotations[a], state.rotations[b],
                                  static_cast<int>(3 * (photo - 1)) + axis};
        Matrix3& moved = photo == a ? rotations.previous : rotations.current;
        moved = rotationFromVector(turn) * moved;
        nudged.push_back(rotations);
      }
    }
    for (const FeatureMatch& match : pairs[i]->inliers) {
      const Vec3 ray = featureRay(match.current, state.focal, state.radial);
      const FeaturePoint base =
          predictFromRay(ray, state.rotations[a], state.rotations[b], state.focal, state.radial);
      std::array<int, 8> columns{};
      std::array<double, 8> dx{};
      std::array<double, 8> dy{};
      int count = 0;
      auto addColumn = [&](int column, FeaturePoint moved) {
        columns[static_cast<std::size_t>(count)] = column;
        dx[static_cast<std::size_t>(count)] = (moved.x - base.x) / kNudge;
        dy[static_cast<std::size_t>(count)] = (moved.y - base.y) / kNudge;
        ++count;
      };
      for (const NudgedRotations& rotations : nudged)
        addColumn(rotations.column, predictFromRay(ray, rotations.previous, rotations.current,
                                                   state.focal, state.radial));
      if (focalColumn >= 0)
        addColumn(focalColumn, predictPrevious(match, state.rotations[a], state.rotations[b],
                                               state.focal * (1 + kNudge), state.radial));
      if (radialColumn >= 0)
        addColumn(radialColumn, predictPrevious(match, state.rotations[a], state.rotations[b],
                                                state.focal, state.radial + kNudge));
      equations.add(columns.data(), dx.data(), count, base.x - match.previous.x);
      equations.add(columns.data(), dy.data(), count, base.y - match.previous.y);
    }
  }
  return equations;
}

// The standard deviations the fit leaves (see SeriesSolution), from the scatter of the
// matches about it and the covariance of the unknowns. A pair's turn is the difference of the
// vertical components of its two photographs' small turns; its deviation is taken with the lens
// held, since a lens off by a share turns every pair by about that share and shows in
// focalDeviation instead.
void measureDeviations(std::span<const std::optional<PairEstimate>> pairs, const SeriesState& state,
                       int focalColumn, int radialColumn, int unknowns, double cost, int matches,
                       SeriesSolution& solution) {
  const std::size_t n = state.rotations.size();
  const int rotationUnknowns = static_cast<int>(3 * (n - 1));
  const int freedom = 2 * matches - unknowns;
  const double variance = freedom > 0 ? cost / freedom : 0;
  constexpr double unknown = std::numeric_limits<double>::infinity();
  solution.turnDeviations.assign(pairs.size(), 0.0);
  solution.focalDeviation = focalColumn >= 0 ? unknown : 0;

  const std::vector<double> turns =
      invertedNormalMatrix(seriesEquations(pairs, state, -1, -1, rotationUnknowns));
  const auto size = static_cast<std::size_t>(rotationUnknowns);
  // The deviation of the pair's relative small turn (the new photograph's less the previous
  // one's) along a world direction. The scatter is the series' or the pair's own, whichever is
  // wider: a pair whose few matches lie on blur scatters more than the sharp pairs beside it.
  auto deviationAlong = [&](std::size_t i, Vec3 direction) {
    const double own = pairCost(*pairs[i], state.rotations[i - 1], state.rotations[i % n], state) /
                       std::max(1.0, 2.0 * static_cast<double>(pairs[i]->inliers.size()) - 3);
    const std::array<double, 3> d = {direction.x, direction.y, direction.z};
    double spread = 0;
    for (const auto& [first, sign] : {std::pair{i - 1, -1.0}, std::pair{i % n, 1.0}}) {
      if (first == 0) continue;
      for (const auto& [second, otherSign] : {std::pair{i - 1, -1.0}, std::pair{i % n, 1.0}}) {
        if (second == 0) continue;
        for (std::size_t r = 0; r < 3; ++r)
          for (std::size_t c = 0; c < 3; ++c)
            spread += sign * otherSign * d[r] * d[c] *
                      turns[(3 * (first - 1) + r) * size + 3 * (second - 1) + c];
      }
    }
    return std::sqrt(std::max(spread, 0.0) * std::max(variance, own));
  };
  solution.rollDeviations.assign(pairs.size(), 0.0);
  for (std::size_t i = 1; i < pairs.size(); ++i) {
    if (!pairs[i]) continue;
    if (turns.empty() || freedom <= 0) {
      solution.turnDeviations[i] = solution.rollDeviations[i] = unknown;
      continue;
    }
    solution.turnDeviations[i] = deviationAlong(i, {0, 1, 0});
    // About the pair's mean line of sight: the turn that tilts one photograph against the other.
    const Vec3 sight =
        normalized(state.rotations[i - 1] * Vec3{0, 0, 1} + state.rotations[i % n] * Vec3{0, 0, 1});
    solution.rollDeviations[i] = deviationAlong(i, sight);
  }
  if (focalColumn < 0 || freedom <= 0) return;
  const std::vector<double> all =
      invertedNormalMatrix(seriesEquations(pairs, state, focalColumn, radialColumn, unknowns));
  if (all.empty()) return;
  const auto column = static_cast<std::size_t>(focalColumn);
  solution.focalDeviation = std::sqrt(
      std::max(all[column * static_cast<std::size_t>(unknowns) + column], 0.0) * variance);
}

// Damped Gauss-Newton steps from `state` until the cost stops falling; returns the cost.
double fitSeries(std::span<const std::optional<PairEstimate>> pairs, SeriesState& state,
                 int focalColumn, int radialColumn, int unknowns) {
  const std::size_t photoCount = state.rotations.size();
  double cost = seriesCost(pairs, state);
  double damping = 1e-3;
  for (int step = 0; step < kSolveSteps; ++step) {
    const NormalEquations equations =
        seriesEquations(pairs, state, focalColumn, radialColumn, unknowns);
    const std::vector<double> delta = dampedStep(equations, damping);
    SeriesState tried = state;
    for (std::size_t photo = 1; photo < photoCount; ++photo) {
      const std::size_t k = 3 * (photo - 1);
      tried.rotations[photo] =
          rotationFromVector({delta[k], delta[k + 1], delta[k + 2]}) * state.rotations[photo];
    }
    if (focalColumn >= 0)
      tried.focal = state.focal * (1 + delta[static_cast<std::size_t>(focalColumn)]);
    if (radialColumn >= 0)
      tried.radial = state.radial + delta[static_cast<std::size_t>(radialColumn)];
    const double triedCost = seriesCost(pairs, tried);
    if (triedCost < cost && std::fabs(tried.radial) <= kMostRadial) {
      const bool converged = cost - triedCost < 1e-10 * cost;
      state = tried;
      cost = triedCost;
      damping /= 10;
      if (converged) break;
    } else {
      damping *= 10;
    }
  }

  return cost;
}

// The pairs with the matches whose error lies beyond three times the root mean square error of
// all left out; empty when none does.
std::vector<std::optional<PairEstimate>> withoutOutlyingMatches(
    std::span<const std::optional<PairEstimate>> pairs, const SeriesState& state, double cost,
    int matches) {
  const double limit = 9 * cost / matches;
  const std::size_t n = state.rotations.size();
  std::vector<std::optional<PairEstimate>> kept(pairs.begin(), pairs.end());
  bool anyLeftOut = false;
  for (std::size_t i = 1; i < kept.size(); ++i) {
    if (!kept[i]) continue;
    std::vector<FeatureMatch>& inliers = kept[i]->inliers;
    const auto outlying = [&](const FeatureMatch& match) {
      const FeaturePoint p = predictPrevious(match, state.rotations[i - 1], state.rotations[i % n],
                                             state.focal, state.radial);
      const double dx = p.x - match.previous.x;
      const double dy = p.y - match.previous.y;
      return !(dx * dx + dy * dy <= limit);
    };
    const auto end = std::remove_if(inliers.begin(), inliers.end(), outlying);
    anyLeftOut = anyLeftOut || end != inliers.end();
    inliers.erase(end, inliers.end());
  }
  if (!anyLeftOut) kept.clear();
  return kept;
}

}  // namespace

std::optional<SeriesSolution> solveSeries(std::span<const std::optional<PairEstimate>> pairs,
                                          std::size_t photoCount, double fixedFocal,
                                          bool fitRadial) {
  int matches = 0;
  for (const auto& pair : pairs)
    if (pair) matches += static_cast<int>(pair->inliers.size());
  if (matches == 0 || photoCount < 2) return std::nullopt;

  SeriesState state;
  state.focal = fixedFocal > 0 ? fixedFocal : medianFocal(pairs);
  state.rotations.assign(photoCount, identityMatrix());
  for (std::size_t i = 1; i < photoCount && i < pairs.size(); ++i)
    state.rotations[i] =
        pairs[i] ? state.rotations[i - 1] * pairs[i]->rotation : state.rotations[i - 1];

  const int rotationUnknowns = static_cast<int>(3 * (photoCount - 1));
  const int focalColumn = fixedFocal > 0 ? -1 : rotationUnknowns;
  const bool radial = fitRadial && matches >= kLeastMatchesForRadial;
  const int radialColumn = radial ? rotationUnknowns + (focalColumn >= 0 ? 1 : 0) : -1;
  const int unknowns = rotationUnknowns + (focalColumn >= 0 ? 1 : 0) + (radial ? 1 : 0);

  double cost = fitSeries(pairs, state, focalColumn, radialColumn, unknowns);
  // Matches far outside the scatter of the rest (a board matched to its neighbour, a point on a
  // moving cloud) pull the fit; they are left out and the series fitted again.
  const std::vector<std::optional<PairEstimate>> kept =
      withoutOutlyingMatches(pairs, state, cost, matches);
  std::span<const std::optional<PairEstimate>> used = pairs;
  int usedMatches = matches;
  if (!kept.empty()) {
    used = kept;
    usedMatches = 0;
    for (const auto& pair : kept)
      if (pair) usedMatches += static_cast<int>(pair->inliers.size());
    cost = fitSeries(used, state, focalColumn, radialColumn, unknowns);
  }

  SeriesSolution solution;
  solution.lens = {state.focal, state.radial};
  measureDeviations(used, state, focalColumn, radialColumn, unknowns, cost, usedMatches, solution);
  solution.pairRotations.resize(pairs.size());
  for (std::size_t i = 1; i < pairs.size(); ++i)
    if (pairs[i])
      solution.pairRotations[i] =
          transposed(state.rotations[i - 1]) * state.rotations[i % photoCount];
  return solution;
}

void setPairRotation(CameraRecord& record, const Matrix3& rotation) {
  record.axis.z = 2 * record.focal;
  // Gauss-Newton on axis x, axis y and roll over the nine entries, started on the side of the
  // turn: the axis is the half-way direction, about half the turn's tangent from the centre.
  const double turn = turnToTheRight(rotation);
  const Vec3 down = rotation * Vec3{0, 0, 1};
  const double tilt = std::atan2(down.y, down.z);
  record.axis.x = -record.axis.z * std::tan(turn / 2) / 2;
  record.axis.y = -record.axis.z * std::tan(tilt / 2) / 2;
  record.roll = 0;
  auto residual = [&](const CameraRecord& trial, std::array<double, 9>& out) {
    const Matrix3 m = pairRotation(trial);
    for (std::size_t r = 0; r < 3; ++r)
      for (std::size_t c = 0; c < 3; ++c) out[3 * r + c] = m[r][c] - rotation[r][c];
  };
  std::array<double, 9> base{};
  std::array<double, 9> moved{};
  for (int step = 0; step < 30; ++step) {
    residual(record, base);
    NormalEquations equations(3);
    std::array<std::array<double, 9>, 3> columns{};
    for (int k = 0; k < 3; ++k) {
      CameraRecord trial = record;
      (k == 0 ? trial.axis.x : k == 1 ? trial.axis.y : trial.roll) += kNudge;
      residual(trial, moved);
      for (std::size_t e = 0; e < 9; ++e)
        columns[static_cast<std::size_t>(k)][e] = (moved[e] - base[e]) / kNudge;
    }
    const std::array<int, 3> indices = {0, 1, 2};
    for (std::size_t e = 0; e < 9; ++e) {
      const std::array<double, 3> row = {columns[0][e], columns[1][e], columns[2][e]};
      equations.add(indices.data(), row.data(), 3, base[e]);
    }
    const std::vector<double> delta = dampedStep(equations, 0);
    record.axis.x += delta[0];
    record.axis.y += delta[1];
    record.roll += delta[2];
    if (std::fabs(delta[0]) + std::fabs(delta[1]) + std::fabs(delta[2]) < 1e-13) break;
  }
}

}  // namespace skylacer
