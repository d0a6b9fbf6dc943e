// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/params.h"

#include <gtest/gtest.h>

namespace skylacer {
namespace {

TEST(ProfileText, DefaultProfileFillsTheNamedFields) {
  const StitchParams params = paramsFromProfileText(kDefaultProfileText);
  EXPECT_EQ(params.firstIterSize, 100);
  EXPECT_EQ(params.overlapFrom, 10);
  EXPECT_EQ(params.overlapTo, 90);
  EXPECT_EQ(params.iterationsPerLevel, 16);
  EXPECT_EQ(params.nonlinearPixels, 8000);
  EXPECT_EQ(params.blendPixels, 32);
  EXPECT_EQ(params.calcRotation, 1);
  EXPECT_EQ(params.autoFocal, 1);
  EXPECT_EQ(params.correctDistortion, 1);
  EXPECT_EQ(params.crop, 1);
  EXPECT_EQ(params.magnetYShift, 0);
  EXPECT_EQ(params.lensSlider, 140);
  EXPECT_EQ(params.focalMm, 43);
  // Fields that are never stored start at zero.
  EXPECT_EQ(params.finestLevelLimit, 0);
  EXPECT_EQ(params.coarsestLevel, 0);
  EXPECT_EQ(params.meanRemovedSearch, 0);
  EXPECT_EQ(params.full360, 0);
}

TEST(ProfileText, TemplateDiffersFromTheDefaultOnlyInFirstSizeAndOverlapTo) {
  const StitchParams byDefault = paramsFromProfileText(kDefaultProfileText);
  const StitchParams fromTemplate = paramsFromProfileText(kProfileTemplateText);
  for (int field = 0; field < kStitchParamFields; ++field) {
    SCOPED_TRACE(field);
    if (field == 6 || field == 8)
      EXPECT_NE(paramField(byDefault, field), paramField(fromTemplate, field));
    else
      EXPECT_EQ(paramField(byDefault, field), paramField(fromTemplate, field));
  }
  EXPECT_EQ(fromTemplate.firstIterSize, 75);
  EXPECT_EQ(fromTemplate.overlapTo, 100);
}

TEST(ProfileText, FormatThenParseRoundTripsEveryStoredField) {
  // Distinct values: two positions sharing a field would repeat a number in the text.
  StitchParams params;
  for (int position = 0; position < kProfileTextFields; ++position)
    paramField(params, kProfileTextField[static_cast<std::size_t>(position)]) = position * 7 - 20;
  const std::string text = formatProfileText(params);
  EXPECT_EQ(text, "-20 -13 -6 1 8 15 22 29 36 43 50 57 64");
  StitchParams parsed;
  EXPECT_EQ(parseProfileText(text, parsed), 13);
  EXPECT_EQ(parsed, params);
}

TEST(ProfileText, ParsingStopsAtTheFirstTokenThatIsNotANumber) {
  StitchParams params = paramsFromProfileText(kProfileTemplateText);
  EXPECT_EQ(parseProfileText("  50 20x 30 40", params), 2);
  EXPECT_EQ(params.firstIterSize, 50);
  EXPECT_EQ(params.overlapFrom, 20);
  EXPECT_EQ(params.overlapTo, 100) << "after the stop the field keeps its value";
  EXPECT_EQ(parseProfileText("", params), 0);
  EXPECT_EQ(parseProfileText("abc", params), 0);
  EXPECT_EQ(params.firstIterSize, 50);
}

TEST(ProfileText, ShortTextsAndLimitedConversionsLeaveTheRestAlone) {
  StitchParams params = paramsFromProfileText(kProfileTemplateText);
  params.lensSlider = 50;
  EXPECT_EQ(parseProfileText("1 2 3 4 5 6 7 8 9 10 11", params), 11);
  EXPECT_EQ(params.magnetYShift, 11);
  EXPECT_EQ(params.lensSlider, 50);
  EXPECT_EQ(parseProfileText(kDefaultProfileText, params, 12), 12);
  EXPECT_EQ(params.lensSlider, 140);
  EXPECT_EQ(params.focalMm, 43) << "position 12 was not asked for";
}

TEST(ProfileText, OutOfRangeNumbersSaturateInsteadOfWrapping) {
  StitchParams params;
  parseProfileText("99999999999 -99999999999 +7", params);
  EXPECT_EQ(params.firstIterSize, INT32_MAX);
  EXPECT_EQ(params.overlapFrom, INT32_MIN);
  EXPECT_EQ(params.overlapTo, 7);
}

TEST(InitialFocalLength, FollowsTheSliderCurve) {
  StitchParams params;
  params.lensSlider = 0;
  EXPECT_DOUBLE_EQ(initialFocalLength(params), 0.8);
  params.lensSlider = 140;
  EXPECT_NEAR(initialFocalLength(params), 2.48, 1e-12);
  params.lensSlider = 300;
  EXPECT_NEAR(initialFocalLength(params), 10.8, 1e-12);
  params.lensSlider = 25;
  EXPECT_NEAR(initialFocalLength(params), 0.71667, 1e-5);
}

TEST(InitialFocalLength, SlidersOutsideTheRangeStayWithinTheAcceptedFocalLengths) {
  StitchParams params;
  for (int slider : {302, 303, 1000, -1, INT32_MIN}) {
    SCOPED_TRACE(slider);
    params.lensSlider = slider;
    const double focal = initialFocalLength(params);
    EXPECT_GE(focal, 0.1);
    EXPECT_LE(focal, 11.0);
  }
  params.lensSlider = 303;
  EXPECT_DOUBLE_EQ(initialFocalLength(params), 11.0);
  params.lensSlider = -1;  // read as 4294967295
  EXPECT_DOUBLE_EQ(initialFocalLength(params), 11.0);
}

}  // namespace
}  // namespace skylacer
