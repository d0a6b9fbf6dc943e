// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/series_order.h"

#include <algorithm>
#include <numeric>

#include "engine/pair_estimate.h"

namespace skylacer {

namespace {

struct Join {
  std::size_t left = 0;   // the photograph the turn is measured from
  std::size_t right = 0;  // ... and to
  double turn = 0;        // radians to the right
  std::size_t matches = 0;
};

}  // namespace

std::optional<std::vector<int>> orderFromMatches(std::span<const FeatureSet> features,
                                                 IProgress* progress) {
  const std::size_t n = features.size();
  if (n < 2 || n > kMostPhotosToOrder) return std::nullopt;
  std::vector<Join> joins;
  const double pairs = static_cast<double>(n * (n - 1) / 2);
  std::size_t done = 0;
  for (std::size_t a = 0; a < n; ++a) {
    for (std::size_t b = a + 1; b < n; ++b) {
      if (progress != nullptr && progress->Report(static_cast<double>(done++) / pairs))
        return std::nullopt;
      const std::optional<PairEstimate> estimate = estimatePair(
          matchFeatures(features[a], features[b]), 0, static_cast<std::uint32_t>(a * n + b));
      if (estimate)
        joins.push_back({a, b, turnToTheRight(estimate->rotation), estimate->inliers.size()});
    }
  }
  // The joins of the most matches first, each placing a photograph not yet placed (a spanning
  // tree): a weak join between far photographs never overrides a strong one between neighbours.
  std::stable_sort(joins.begin(), joins.end(),
                   [](const Join& x, const Join& y) { return x.matches > y.matches; });
  std::vector<double> heading(n, 0);
  std::vector<bool> placed(n, false);
  placed[0] = true;
  for (bool grew = true; grew;) {
    grew = false;
    for (const Join& join : joins) {
      if (placed[join.left] == placed[join.right]) continue;
      if (placed[join.left])
        heading[join.right] = heading[join.left] + join.turn;
      else
        heading[join.left] = heading[join.right] - join.turn;
      placed[join.left] = placed[join.right] = true;
      grew = true;
      break;
    }
  }
  if (std::find(placed.begin(), placed.end(), false) != placed.end()) return std::nullopt;
  std::vector<int> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
    return heading[static_cast<std::size_t>(x)] < heading[static_cast<std::size_t>(y)];
  });
  return order;
}

}  // namespace skylacer
