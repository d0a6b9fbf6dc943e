// SPDX-License-Identifier: GPL-3.0-or-later
// Every profile field bounded by the tuner's limits: the check of a profile's numbers names the
// field a value breaks, and clamping brings stored values into the limits.

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "engine/params.h"

namespace skylacer {
namespace {

// The default profile's numbers with the one at `position` replaced by `value`.
std::string defaultWith(int position, long long value) {
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  std::string text;
  for (int p = 0; p < kProfileTextFields; ++p) {
    if (p > 0) text += ' ';
    text +=
        p == position
            ? std::to_string(value)
            : std::to_string(paramField(params, kProfileTextField[static_cast<std::size_t>(p)]));
  }
  return text;
}

TEST(ProfileBounds, TheBuiltInProfilesAndEveryLimitItselfAreAccepted) {
  for (std::string_view text :
       {kDefaultProfileText, kPreciseProfileText, kSearchOnlyProfileText, kProfileTemplateText})
    EXPECT_EQ(profileTextProblem(text), std::nullopt) << text;
  for (int position = 0; position < kProfileTextFields; ++position) {
    const ProfileFieldBounds& bounds = kProfileFieldBounds[static_cast<std::size_t>(position)];
    EXPECT_EQ(profileTextProblem(defaultWith(position, bounds.least)), std::nullopt);
    EXPECT_EQ(profileTextProblem(defaultWith(position, bounds.most)), std::nullopt);
  }
}

TEST(ProfileBounds, AValueJustOutsideItsLimitsIsRefusedNamingItsField) {
  for (int position = 0; position < kProfileTextFields; ++position) {
    const ProfileFieldBounds& bounds = kProfileFieldBounds[static_cast<std::size_t>(position)];
    for (const long long value : {bounds.least - 1LL, bounds.most + 1LL}) {
      SCOPED_TRACE(defaultWith(position, value));
      const auto problem = profileTextProblem(defaultWith(position, value));
      ASSERT_TRUE(problem.has_value());
      EXPECT_EQ(*problem, "number " + std::to_string(position + 1) + " (" +
                              std::string(bounds.name) + ") is " + std::to_string(value) +
                              "; it must be " + std::to_string(bounds.least) + " to " +
                              std::to_string(bounds.most));
    }
  }
}

TEST(ProfileBounds, TheValuesThatBrokeTheEngineAreRefused) {
  EXPECT_EQ(profileTextProblem(defaultWith(5, INT_MIN)),
            "number 6 (pixels for image blending) is -2147483648; it must be 1 to 2048");
  EXPECT_EQ(profileTextProblem(defaultWith(3, INT_MAX)),
            "number 4 (iterations per level of details) is 2147483647; it must be 1 to 128");
  EXPECT_EQ(profileTextProblem(defaultWith(4, 99999999999999LL)),
            "number 5 (pixel quantity for non-linear calculations) is 99999999999999; it must be "
            "1 to 32000");
}

TEST(ProfileBounds, ExactlyThirteenWholeNumbersMakeAProfile) {
  const std::string text(kDefaultProfileText);
  EXPECT_EQ(profileTextProblem(text + " 7"), "it holds 14 numbers, not 13");
  EXPECT_EQ(profileTextProblem(text.substr(0, text.rfind(' '))), "it holds 12 numbers, not 13");
  EXPECT_EQ(profileTextProblem(""), "it holds 0 numbers, not 13");
  EXPECT_EQ(profileTextProblem("100 10 90 16 8000 32x 1 1 1 1 0 140 43"),
            "number 6 (pixels for image blending) \"32x\" is not a whole number");
  EXPECT_EQ(profileTextProblem("  100\t10 90 16 8000 +32 1 1 1 1 0 140 43\n"), std::nullopt)
      << "white space between and around, a plus sign";
}

TEST(ProfileBounds, ClampingBringsEveryFieldIntoItsLimitsAndSaysWhatChanged) {
  StitchParams params = paramsFromProfileText(kDefaultProfileText);
  params.blendPixels = INT_MIN;
  params.iterationsPerLevel = INT_MAX;
  params.lensSlider = 301;
  params.coarsestLevel = -5;  // not a profile field: left alone
  const std::vector<ClampedField> clamped = clampProfileFields(params);
  ASSERT_EQ(clamped.size(), 3u);
  EXPECT_EQ(clampedFieldText(clamped[0]),
            "number 4 (iterations per level of details) 2147483647 "
            "is used as 128");
  EXPECT_EQ(clampedFieldText(clamped[1]),
            "number 6 (pixels for image blending) -2147483648 is used as 1");
  EXPECT_EQ(clampedFieldText(clamped[2]), "number 12 (lens slider position) 301 is used as 300");
  EXPECT_EQ(profileTextProblem(formatProfileText(params)), std::nullopt);
  EXPECT_EQ(params.coarsestLevel, -5);
  EXPECT_TRUE(clampProfileFields(params).empty()) << "a clamped record stays as it is";
}

}  // namespace
}  // namespace skylacer
