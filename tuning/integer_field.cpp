// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/integer_field.h"

#include <cstdint>

#include "tuning/dialog_texts.h"

namespace skylacer::tuning {

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

IntegerFieldReading refused(std::string text) {
  return {std::nullopt, std::move(text)};
}

}  // namespace

std::string integerRangeRefusal(IntegerRange range) {
  return QString::fromStdString(dialogText(kEnterIntegerBetween))
      .arg(range.min)
      .arg(range.max)
      .toStdString();
}

IntegerFieldReading readIntegerField(std::string_view text, std::optional<IntegerRange> range) {
  std::string_view number = trimBlanks(text);
  bool negative = false;
  if (!number.empty() && (number.front() == '+' || number.front() == '-')) {
    negative = number.front() == '-';
    number.remove_prefix(1);
  }
  if (number.empty()) return refused(dialogText(kEnterInteger));
  for (char c : number) {
    if (!isDigit(c)) return refused(dialogText(kEnterInteger));
  }
  while (number.size() > 1 && number.front() == '0') number.remove_prefix(1);

  // Ten digits hold every 32-bit magnitude; a longer number lies beyond any field's range.
  constexpr std::size_t kMaxDigits = 10;
  std::optional<std::int64_t> value;
  if (number.size() <= kMaxDigits) {
    std::int64_t magnitude = 0;
    for (char c : number) magnitude = magnitude * 10 + (c - '0');
    value = negative ? -magnitude : magnitude;
  }
  const IntegerRange bounds = range.value_or(IntegerRange{INT32_MIN, INT32_MAX});
  if (!value || *value < bounds.min || *value > bounds.max) {
    return refused(range ? integerRangeRefusal(*range) : dialogText(kEnterInteger));
  }
  return {static_cast<int>(*value), {}};
}

}  // namespace skylacer::tuning
