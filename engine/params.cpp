#include "engine/params.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <stdexcept>

namespace skylacer {

namespace {

using FieldPointer = std::int32_t StitchParams::*;

constexpr std::array<FieldPointer, kStitchParamFields> kFields = {
    &StitchParams::magnetYShift,      &StitchParams::crop,
    &StitchParams::correctDistortion, &StitchParams::calcRotation,
    &StitchParams::autoFocal,         &StitchParams::nonlinearPixels,
    &StitchParams::firstIterSize,     &StitchParams::overlapFrom,
    &StitchParams::overlapTo,         &StitchParams::finestLevelLimit,
    &StitchParams::coarsestLevel,     &StitchParams::iterationsPerLevel,
    &StitchParams::blendPixels,       &StitchParams::lensSlider,
    &StitchParams::focalMm,           &StitchParams::meanRemovedSearch,
    &StitchParams::full360,
};

FieldPointer fieldPointer(int field) {
  if (field < 0 || field >= kStitchParamFields) throw std::out_of_range("stitch parameter field");
  return kFields[static_cast<std::size_t>(field)];
}

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

// One "%d" conversion from the front of text; false when no number starts there. Values beyond
// the 32-bit range saturate.
bool readInteger(std::string_view& text, std::int32_t& value) {
  std::size_t pos = 0;
  while (pos < text.size() && isSpace(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
  const std::size_t digitsStart = pos;
  long long magnitude = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    magnitude = std::min<long long>(magnitude * 10 + (text[pos] - '0'), 1LL << 32);
    ++pos;
  }
  if (pos == digitsStart) return false;
  const long long signedValue = negative ? -magnitude : magnitude;
  value = static_cast<std::int32_t>(std::clamp<long long>(signedValue, INT32_MIN, INT32_MAX));
  text.remove_prefix(pos);
  return true;
}

}  // namespace

std::int32_t& paramField(StitchParams& params, int field) { return params.*fieldPointer(field); }

std::int32_t paramField(const StitchParams& params, int field) {
  return params.*fieldPointer(field);
}

int parseProfileText(std::string_view text, StitchParams& params, int positions) {
  positions = std::clamp(positions, 0, kProfileTextFields);
  int read = 0;
  for (; read < positions; ++read) {
    std::int32_t value = 0;
    if (!readInteger(text, value)) break;
    paramField(params, kProfileTextField[static_cast<std::size_t>(read)]) = value;
  }
  return read;
}

std::string formatProfileText(const StitchParams& params) {
  std::string text;
  for (int position = 0; position < kProfileTextFields; ++position) {
    char digits[16];
    const auto field = kProfileTextField[static_cast<std::size_t>(position)];
    const auto end = std::to_chars(digits, digits + sizeof digits, paramField(params, field)).ptr;
    if (position > 0) text += ' ';
    text.append(digits, end);
  }
  return text;
}

StitchParams paramsFromProfileText(std::string_view text) {
  StitchParams params;
  parseProfileText(text, params);
  return params;
}

double initialFocalLength(const StitchParams& params) {
  const double slider = static_cast<double>(static_cast<std::uint32_t>(params.lensSlider));
  const double w = slider * 100 / 300;
  const double focal = 3 * w * w / 2500 - w / 50 + 0.8;
  return std::clamp(focal, 0.1, 11.0);
}

}  // namespace skylacer
