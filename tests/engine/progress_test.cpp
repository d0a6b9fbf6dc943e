// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/progress.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/scripted_progress.h"

namespace skylacer {
namespace {

TEST(ProgressRanges, MapsIntoTheDeepestRangeAndBackAfterPop) {
  ProgressRanges ranges;
  EXPECT_EQ(progressBarValue(ranges.map(0)), 1);
  EXPECT_EQ(progressBarValue(ranges.map(1)), 101);
  EXPECT_EQ(ranges.push(0.1, 0.95), 0);
  EXPECT_EQ(progressBarValue(ranges.map(0.5)), 53);  // 0.525 * 100 + 1 truncated
  ranges.pop();
  EXPECT_EQ(progressBarValue(ranges.map(0.5)), 51);
}

TEST(ProgressRanges, NestedRangesCompose) {
  ProgressRanges ranges;
  ranges.push(0.1, 0.95);
  EXPECT_EQ(ranges.push(0.2, 0.9), 1);
  EXPECT_NEAR(ranges.map(0), 0.27, 1e-12);
  EXPECT_NEAR(ranges.map(1), 0.865, 1e-12);
  EXPECT_EQ(ranges.depth(), 2);
}

TEST(ProgressRanges, AFullStackIgnoresFurtherPushes) {
  ProgressRanges ranges;
  for (int i = 0; i < 15; ++i) EXPECT_EQ(ranges.push(0.5, 1.0), i);
  const double deepest = ranges.map(0);
  EXPECT_EQ(ranges.push(0.0, 0.5), 15);
  EXPECT_EQ(ranges.depth(), 15);
  EXPECT_DOUBLE_EQ(ranges.map(0), deepest);
  for (int i = 0; i < 15; ++i) ranges.pop();
  EXPECT_EQ(ranges.depth(), 0);
  EXPECT_DOUBLE_EQ(ranges.map(0.25), 0.25);
}

TEST(ProgressRanges, PopAtTheWholeRangeChangesNothing) {
  ProgressRanges ranges;
  ranges.pop();
  EXPECT_EQ(ranges.depth(), 0);
  EXPECT_DOUBLE_EQ(ranges.map(0.4), 0.4);
  EXPECT_EQ(ranges.push(0.5, 1.0), 0);
  EXPECT_DOUBLE_EQ(ranges.map(0), 0.5);
}

TEST(ProgressBarValue, StaysDefinedForPositionsOutsideTheBar) {
  EXPECT_EQ(progressBarValue(-0.005), 0);
  EXPECT_EQ(progressBarValue(0.999), 100);
  EXPECT_EQ(progressBarValue(1e300), 1000000);
  EXPECT_EQ(progressBarValue(-1e300), -1000000);
}

TEST(ReportPercent, ReportsAFractionWithoutTextAndAnswersOneToStop) {
  test::ScriptedProgress progress(1);  // the second report asks to stop
  EXPECT_EQ(reportPercent(48, &progress), 0);
  EXPECT_EQ(reportPercent(95, &progress), 1);
  EXPECT_EQ(progress.fractions, (std::vector<double>{0.48, 0.95}));
  EXPECT_TRUE(progress.texts.empty());
  EXPECT_EQ(reportPercent(50, nullptr), 0);
}

}  // namespace
}  // namespace skylacer
