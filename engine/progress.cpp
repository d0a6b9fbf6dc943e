// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/progress.h"

#include <cmath>

namespace skylacer {

int ProgressRanges::push(double from, double to) {
  const int previous = depth_;
  if (depth_ + 1 >= kEntries) return previous;
  const double start = start_[depth_];
  const double span = end_[depth_] - start;
  start_[depth_ + 1] = start + span * from;
  end_[depth_ + 1] = start + span * to;
  ++depth_;
  return previous;
}

void ProgressRanges::pop() {
  if (depth_ > 0) --depth_;
}

double ProgressRanges::map(double fraction) const {
  return start_[depth_] + (end_[depth_] - start_[depth_]) * fraction;
}

int progressBarValue(double position) {
  // Positions come from fractions of 0..1; anything else is held to a representable bar value.
  const double value = std::trunc(position * 100 + 1);
  if (!(value > -1e6)) return value != value ? 1 : -1000000;
  return static_cast<int>(value < 1e6 ? value : 1e6);
}

int reportPercent(int percent, IProgress* progress) {
  if (progress == nullptr) return 0;
  return progress->Report(percent / 100.0) ? 1 : 0;
}

}  // namespace skylacer
