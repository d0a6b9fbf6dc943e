// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/first_frame.h"

#include <gtest/gtest.h>

namespace skylacer::viewer {
namespace {

TEST(FirstFrame, OnlyLargePicturesAreReducedAndKeepEnoughRows) {
  // Up to the limit, the full picture from the first frame on.
  EXPECT_EQ(firstFrameReduction(3000, 600), 1);
  EXPECT_EQ(firstFrameReduction(8000, 1000), 1);
  // A 12k panorama: 1/8 leaves its 2400 rows 300.
  EXPECT_EQ(firstFrameReduction(12000, 2400), 8);
  // Rounded up: 2393 rows make 300 at 1/8, 2392 only 299.
  EXPECT_EQ(firstFrameReduction(12000, 2393), 8);
  EXPECT_EQ(firstFrameReduction(12000, 2392), 4);
  EXPECT_EQ(firstFrameReduction(20000, 1000), 2);
  // Too few rows for any reduction.
  EXPECT_EQ(firstFrameReduction(40000, 500), 1);
  // Sizes whose product exceeds an int.
  EXPECT_EQ(firstFrameReduction(65535, 65535), 8);
}

}  // namespace
}  // namespace skylacer::viewer
