// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Numbers as they cross the bridge to the interface movie, where every value is text.

#include <string>
#include <string_view>

namespace skylacer::app {

// The number a movie text stands for: leading white space skipped, an optional sign, the
// decimal digits that follow; anything after them is ignored and a text without digits reads as
// 0. Values beyond the signed 32-bit range saturate at its ends.
int movieNumber(std::string_view text);

// Decimal text of `value`, a minus sign for negative values ("%d").
std::string movieNumberText(long long value);

}  // namespace skylacer::app
