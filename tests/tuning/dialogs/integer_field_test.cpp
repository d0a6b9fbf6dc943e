// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/integer_field.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace skylacer::tuning {
namespace {

struct FieldCase {
  const char* text;
  std::optional<IntegerRange> range;
  std::optional<int> value;
  const char* refusal;
};

class IntegerFieldText : public testing::TestWithParam<FieldCase> {};

TEST_P(IntegerFieldText, GivesTheValueOrTheStandardRefusal) {
  const FieldCase& c = GetParam();
  const IntegerFieldReading reading = readIntegerField(c.text, c.range);
  EXPECT_EQ(reading.value, c.value);
  EXPECT_EQ(reading.refusal, c.refusal);
}

constexpr IntegerRange kDegrees{15, 360};
constexpr char kBetween[] = "Please enter an integer between 15 and 360.";
constexpr char kInteger[] = "Please enter an integer.";

INSTANTIATE_TEST_SUITE_P(
    Texts, IntegerFieldText,
    testing::Values(
        FieldCase{"361", kDegrees, std::nullopt, kBetween},
        FieldCase{" \t", kDegrees, std::nullopt, kInteger},
        FieldCase{"-", kDegrees, std::nullopt, kInteger},
        FieldCase{"12a", kDegrees, std::nullopt, kInteger},
        FieldCase{"1 2", kDegrees, std::nullopt, kInteger}, FieldCase{" +90\t", kDegrees, 90, ""},
        FieldCase{"-20", kDegrees, std::nullopt, kBetween},
        // Twenty digits are out of range, not a wrapped-around value that might fall inside it.
        FieldCase{"18446744073709551716", kDegrees, std::nullopt, kBetween},
        FieldCase{"-18446744073709551616", kDegrees, std::nullopt, kBetween},
        FieldCase{"4294967476", kDegrees, std::nullopt, kBetween},
        FieldCase{"0000000000000000000180", kDegrees, 180, ""},
        // Without a range, the 32-bit range bounds the field.
        FieldCase{"-2147483648", std::nullopt, -2147483648, ""},
        FieldCase{"2147483648", std::nullopt, std::nullopt, kInteger}));

}  // namespace
}  // namespace skylacer::tuning
