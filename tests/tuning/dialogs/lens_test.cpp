// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QImage>
#include <algorithm>
#include <array>
#include <vector>

#include "tuning/lens_scale.h"
#include "tuning/lens_slider.h"

namespace skylacer::tuning {
namespace {

TEST(LensScale, ConvertsBothWaysWithTheirCeilingsAndEnds) {
  EXPECT_EQ(focalLengthFromSlider(0), 13);
  EXPECT_EQ(focalLengthFromSlider(1), 19);
  EXPECT_EQ(focalLengthFromSlider(140), 44);
  EXPECT_EQ(focalLengthFromSlider(299), 197);
  EXPECT_EQ(focalLengthFromSlider(300), 200);
  EXPECT_EQ(sliderFromFocalLength(18), 0);
  EXPECT_EQ(sliderFromFocalLength(19), 6);
  EXPECT_EQ(sliderFromFocalLength(43), 140);
  EXPECT_EQ(sliderFromFocalLength(200), 300);
  EXPECT_EQ(sliderFromFocalLength(500), 300);
}

TEST(LensScale, TicksMarkTheListedFocalLengths) {
  const std::array<int, 11> expected = {0, 300, 18, 54, 80, 113, 140, 158, 169, 223, 264};
  EXPECT_EQ(lensTickPositions(), expected);
}

// Columns of the slider's last row that differ from the background, as runs.
std::vector<int> tickColumns(const QImage& image) {
  std::vector<int> runs;
  const int row = image.height() - 1;
  const QRgb background = image.pixel(0, row);
  bool inRun = false;
  for (int x = 0; x < image.width(); ++x) {
    const bool marked = image.pixel(x, row) != background;
    if (marked && !inRun) runs.push_back(x);
    inRun = marked;
  }
  return runs;
}

TEST(LensSlider, PaintsItsTicksAtTheMarkedPositionsOnly) {
  LensSlider slider;
  slider.resize(620, slider.sizeHint().height());
  const QImage image = slider.grab().toImage();
  std::vector<int> expected;
  for (int position : lensTickPositions()) expected.push_back(slider.handleCentreX(position));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(tickColumns(image), expected);
  // Unevenly spaced: 0 to 18 is far narrower than 223 to 264.
  EXPECT_LT(expected[1] - expected[0], expected[9] - expected[8]);
}

}  // namespace
}  // namespace skylacer::tuning
