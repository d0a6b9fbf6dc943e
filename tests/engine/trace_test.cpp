// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/trace.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace skylacer {
namespace {

TEST(Trace, SampleCountIsTheNumberAndATab) {
  StringTrace trace;
  traceSampleCount(trace, 1234);
  traceSampleCount(trace, 6);
  EXPECT_EQ(trace.text(), "1234\t6\t");
}

TEST(Trace, IterationLineMatchesPrintfInTheCLocale) {
  // The tests run in the "C" locale, where printf's "%f" is the reference.
  const double values[] = {0,       -0.0123456789, 2.4800005, 1e-7,  0.0000005, 0.0000015,
                           12345.5, -0.0000004,    0.2,       -1.75, 1e15,      2.5e-6};
  for (double roll : values) {
    for (double focal : {2.48, 0.1 + 0.2}) {
      SCOPED_TRACE(testing::Message() << roll << " " << focal);
      StringTrace trace;
      traceIteration(trace, 7, roll, focal, -roll);
      char expected[512];
      std::snprintf(expected, sizeof expected, "   %d al = %f focus = %f xx = %f\n", 7, roll, focal,
                    -roll);
      EXPECT_EQ(trace.text(), expected);
    }
  }
}

TEST(Trace, ValuesThatAreNotNumbersStillMakeALine) {
  StringTrace trace;
  const double inf = std::numeric_limits<double>::infinity();
  traceIteration(trace, 0, std::numeric_limits<double>::quiet_NaN(), inf, -1e300);
  const std::string& line = trace.text();
  EXPECT_EQ(line.rfind("   0 al = nan focus = inf xx = -1", 0), 0u) << line;
  EXPECT_EQ(line.back(), '\n');
  EXPECT_EQ(line.size(), std::string("   0 al = nan focus = inf xx = -").size() + 301 + 7 + 1);
}

}  // namespace
}  // namespace skylacer
