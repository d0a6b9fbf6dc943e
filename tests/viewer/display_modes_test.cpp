// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/platform/display_modes.h"

#include <gtest/gtest.h>

namespace skylacer::viewer::platform {
namespace {

TEST(DisplayModes, KeepModesUpTo1024x768SortedByDepthWidthHeightDescending) {
  const std::vector<DisplayMode> modes = fullScreenModes({{640, 480, 16},
                                                          {1280, 1024, 32},
                                                          {800, 600, 32},
                                                          {1024, 768, 16},
                                                          {800, 600, 16},
                                                          {640, 480, 16},
                                                          {1024, 600, 32},
                                                          {1024, 800, 32},
                                                          {800, 480, 32},
                                                          {0, 0, 32}});
  EXPECT_EQ(modes, (std::vector<DisplayMode>{{1024, 600, 32},
                                             {800, 600, 32},
                                             {800, 480, 32},
                                             {1024, 768, 16},
                                             {800, 600, 16},
                                             {640, 480, 16}}));
}

TEST(DisplayModes, ListAtMostFiftyOfTheLargest) {
  std::vector<DisplayMode> many;
  for (int width = 100; width < 1000; width += 10) many.push_back({width, 300, 24});
  const std::vector<DisplayMode> modes = fullScreenModes(many);
  ASSERT_EQ(modes.size(), 50u);
  EXPECT_EQ(modes.front().width, 990);
  EXPECT_EQ(modes.back().width, 500);
}

TEST(DisplayModes, DefaultIs640x480x16WhenListedElseTheFirst) {
  const std::vector<DisplayMode> with = fullScreenModes({{800, 600, 16}, {640, 480, 16}});
  EXPECT_EQ(defaultFullScreenMode(with), 1);
  const std::vector<DisplayMode> without = fullScreenModes({{800, 600, 24}, {640, 480, 24}});
  EXPECT_EQ(defaultFullScreenMode(without), 0);
  EXPECT_EQ(defaultFullScreenMode({}), -1);
}

}  // namespace
}  // namespace skylacer::viewer::platform
