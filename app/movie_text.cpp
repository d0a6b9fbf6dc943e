// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/movie_text.h"

#include <cctype>
#include <cstdint>
#include <limits>

namespace skylacer::app {

int movieNumber(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  // Accumulated as a magnitude and clamped at every digit, so no length of digits overflows.
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<int>::max()} + 1;
  std::int64_t magnitude = 0;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    magnitude = magnitude * 10 + (text[at] - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  if (negative) return static_cast<int>(-magnitude);
  return static_cast<int>(magnitude < kLimit ? magnitude : kLimit - 1);
}

std::string movieNumberText(long long value) {
  return std::to_string(value);
}

}  // namespace skylacer::app
