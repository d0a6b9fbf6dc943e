// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Reading the text of an integer field of a dialog, with the standard refusals.

#include <optional>
#include <string>
#include <string_view>

namespace skylacer::tuning {

// Inclusive bounds of the values a field accepts.
struct IntegerRange {
  int min = 0;
  int max = 0;
};

// What a field's text gave: its value, or the message that refuses the text.
struct IntegerFieldReading {
  std::optional<int> value;
  std::string refusal;  // empty when `value` is set
};

// Reads `text` as one decimal integer: optional spaces or tabs, an optional sign, at least one
// digit, optional spaces or tabs. Any other text is refused with "Please enter an integer.". A
// number outside `range` is refused with "Please enter an integer between MIN and MAX.", however
// many digits it has; without a range, a number outside the 32-bit range is not an integer of the
// field and gets the first refusal.
IntegerFieldReading readIntegerField(std::string_view text, std::optional<IntegerRange> range);

// "Please enter an integer between MIN and MAX."
std::string integerRangeRefusal(IntegerRange range);

}  // namespace skylacer::tuning
