// SPDX-License-Identifier: GPL-3.0-or-later
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

bool isSpace(char c) {
  return std::isspace(static_cast<unsigned char>(c)) != 0;
}

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

std::string numberName(int position) {
  return "number " + std::to_string(position + 1) + " (" +
         std::string(kProfileFieldBounds[static_cast<std::size_t>(position)].name) + ")";
}

// A whole decimal number with an optional sign, nothing else; its value, held to the 64-bit
// range (far outside every bound), or nothing.
std::optional<long long> wholeNumber(std::string_view token) {
  std::string_view digits = token;
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) digits.remove_prefix(1);
  if (digits.empty() ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  long long magnitude = 0;
  for (char c : digits) magnitude = std::min<long long>(magnitude * 10 + (c - '0'), 1LL << 40);
  return token.front() == '-' ? -magnitude : magnitude;
}

}  // namespace

const std::array<ProfileFieldBounds, kProfileTextFields> kProfileFieldBounds = {{
    {0, 512, "image size at first iteration, half the size the tuner shows"},
    {0, 100, "photos overlap from, percent"},
    {0, 100, "photos overlap up to, percent"},
    {1, 128, "iterations per level of details"},
    {1, 32000, "pixel quantity for non-linear calculations"},
    {1, 2048, "pixels for image blending"},
    {0, 1, "calculate camera rotation"},
    {0, kAutoFocalSearchOnly, "detect focal length automatically"},
    {0, 1, "correct image distortion"},
    {0, 1, "crop the resulting image"},
    {0, 1024, "magnet Y shift"},
    {0, 300, "lens slider position"},
    {1, 500, "focal length in millimetres"},
}};

std::optional<std::string> profileTextProblem(std::string_view text) {
  std::vector<std::string_view> tokens;
  for (std::size_t pos = 0;;) {
    while (pos < text.size() && isSpace(text[pos])) ++pos;
    if (pos == text.size()) break;
    const std::size_t end = std::find_if(text.begin() + pos, text.end(), isSpace) - text.begin();
    tokens.push_back(text.substr(pos, end - pos));
    pos = end;
  }
  if (tokens.size() != kProfileTextFields)
    return "it holds " + std::to_string(tokens.size()) + " numbers, not " +
           std::to_string(kProfileTextFields);
  for (int position = 0; position < kProfileTextFields; ++position) {
    const std::string_view token = tokens[static_cast<std::size_t>(position)];
    const std::optional<long long> value = wholeNumber(token);
    if (!value)
      return numberName(position) + " \"" + std::string(token) + "\" is not a whole number";
    const ProfileFieldBounds& bounds = kProfileFieldBounds[static_cast<std::size_t>(position)];
    if (*value < bounds.least || *value > bounds.most)
      return numberName(position) + " is " + std::string(token) + "; it must be " +
             std::to_string(bounds.least) + " to " + std::to_string(bounds.most);
  }
  return std::nullopt;
}

std::vector<ClampedField> clampProfileFields(StitchParams& params) {
  std::vector<ClampedField> clamped;
  for (int position = 0; position < kProfileTextFields; ++position) {
    const ProfileFieldBounds& bounds = kProfileFieldBounds[static_cast<std::size_t>(position)];
    std::int32_t& value = paramField(params, kProfileTextField[static_cast<std::size_t>(position)]);
    const std::int32_t used = std::clamp(value, bounds.least, bounds.most);
    if (used == value) continue;
    clamped.push_back({position, value, used});
    value = used;
  }
  return clamped;
}

std::string clampedFieldText(const ClampedField& field) {
  return numberName(field.position) + " " + std::to_string(field.stored) + " is used as " +
         std::to_string(field.used);
}

std::int32_t& paramField(StitchParams& params, int field) {
  return params.*fieldPointer(field);
}

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
