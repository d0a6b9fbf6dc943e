// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The order of a series' photographs from left to right, found from feature matches between
// every two of them: for a series that was given out of order.

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

#include "engine/features.h"
#include "engine/progress.h"

namespace skylacer {

// Most photographs whose every two are matched (n (n - 1) / 2 pair estimates).
constexpr std::size_t kMostPhotosToOrder = 16;

// The photographs (0-based indices) from left to right, placed by the turns of the pair
// estimates of the most matches that join them all; nothing when some photograph is joined to
// the others by no estimate, when there are more than kMostPhotosToOrder, or when the progress
// object asks to stop (each pair reports its share of the current range).
std::optional<std::vector<int>> orderFromMatches(std::span<const FeatureSet> features,
                                                 IProgress* progress);

}  // namespace skylacer
