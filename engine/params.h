// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The stitch parameter record and its 13-number profile text form.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace skylacer {

// Seventeen signed 32-bit fields in this order (field 0 .. field 16). Thirteen belong to a named
// profile; coarsestLevel is written by the engine, full360 by the command starting a run, and
// finestLevelLimit and meanRemovedSearch have no writer (they stay 0).
struct StitchParams {
  std::int32_t magnetYShift = 0;        // kept with the profile, unused by the engine
  std::int32_t crop = 0;                // 0: skip the vertical crop to the rows every seam covers
  std::int32_t correctDistortion = 0;   // refinement may estimate the distortion coefficient
  std::int32_t calcRotation = 0;        // refinement may estimate the roll angle
  std::int32_t autoFocal = 0;           // refinement may estimate the focal length; see below
  std::int32_t nonlinearPixels = 0;     // overlap pixels the refinement level must exceed
  std::int32_t firstIterSize = 0;       // pyramid halves while width and height >= 2 x this
  std::int32_t overlapFrom = 0;         // percent: least overlap area the coarse search accepts
  std::int32_t overlapTo = 0;           // percent: the coarse search starts at (100 - this) % width
  std::int32_t finestLevelLimit = 0;    // the refinement level stops moving once below this
  std::int32_t coarsestLevel = 0;       // index of the coarsest pyramid level (0 = working size)
  std::int32_t iterationsPerLevel = 0;  // most Gauss-Newton steps in one refinement run
  std::int32_t blendPixels = 0;         // where the seam search starts inside each overlap
  std::int32_t lensSlider = 0;          // 0 (wide-angle) .. 300 (zoom), read as unsigned
  std::int32_t focalMm = 0;             // 35 mm equivalent, dialog only
  std::int32_t meanRemovedSearch = 0;   // coarse search scores the spread around the mean
  std::int32_t full360 = 0;             // the photos close a full circle

  friend bool operator==(const StitchParams&, const StitchParams&) = default;
};

// autoFocal: 0 keeps the focal length, 1 estimates it, kAutoFocalCoarseToFine (2) estimates it
// and finishes every pair coarse to fine: after the pair's refinement passed its checks it is
// refined again on every finer pyramid level down to the working size, and a refinement run
// also ends when a step returns to the state of the step before last (about 2.5 times the
// default's alignment time; a focal length and turns good to a few hundredths of a percent and
// degree on a lens without radial distortion). Any other non-zero value acts as 1. The value
// travels in the profile text, the stored profiles and .reg files like any other; the tuner's check
// box shows it as ticked and writes 1 when clicked.
constexpr std::int32_t kAutoFocalCoarseToFine = 2;
// autoFocal 3 estimates the focal length as 1 does, with each pair seeded by the coarse search
// alone. Every other value first estimates each pair from feature matches and the series as a
// whole (one lens, one rotation per photograph), finishes each pair coarse to fine, and lets the
// verification refuse a series it is not sure of.
constexpr std::int32_t kAutoFocalSearchOnly = 3;

constexpr int kStitchParamFields = 17;
constexpr int kProfileTextFields = 13;

// Record field stored at each position of the profile text.
constexpr std::array<int, kProfileTextFields> kProfileTextField = {6, 7, 8, 11, 5,  12, 3,
                                                                   4, 2, 1, 0,  13, 14};

// The built-in default profile, and the template every profile slot starts from.
constexpr std::string_view kDefaultProfileText = "100 10 90 16 8000 32 1 1 1 1 0 140 43";
// The built-in "Precise" profile: the default's values with autoFocal 2 (see StitchParams).
constexpr std::string_view kPreciseProfileText = "100 10 90 16 8000 32 1 2 1 1 0 140 43";
// The built-in "Coarse search" profile: the default's values with autoFocal
// kAutoFocalSearchOnly, the alignment before feature matching, for comparison.
constexpr std::string_view kSearchOnlyProfileText = "100 10 90 16 8000 32 1 3 1 1 0 140 43";
constexpr std::string_view kProfileTemplateText = "75 10 100 16 8000 32 1 1 1 1 0 140 43";

// The values one profile field may take (the tuner's limits) and how messages name it.
struct ProfileFieldBounds {
  std::int32_t least;
  std::int32_t most;
  std::string_view name;
};

// Bounds of the field stored at each profile text position. Position 0 holds half the image
// size the tuner shows (1..1024), so 0..512.
extern const std::array<ProfileFieldBounds, kProfileTextFields> kProfileFieldBounds;

// Why `text` is not a profile's numbers: exactly 13 whole decimal numbers separated by white
// space, each within its bounds. Nothing when it is one. The reason names the first offending
// number by its place from 1 and its field, such as "number 6 (pixels for image blending) is 0;
// it must be 1 to 2048".
std::optional<std::string> profileTextProblem(std::string_view text);

// A stored field outside its bounds, as clampProfileFields found it.
struct ClampedField {
  int position;  // in the profile text, from 0
  std::int32_t stored;
  std::int32_t used;
};

// Brings every profile field of `params` into its bounds; the fields changed, in text order.
std::vector<ClampedField> clampProfileFields(StitchParams& params);

// "number 6 (pixels for image blending) 0 is used as 1", for a warning.
std::string clampedFieldText(const ClampedField& field);

// Field by its number 0..16.
std::int32_t& paramField(StitchParams& params, int field);
std::int32_t paramField(const StitchParams& params, int field);

// Reads up to `positions` numbers (text positions 0 .. positions-1) into their fields, the way
// "%d" conversions do: leading white space and a sign are accepted, a number ends at the first
// non-digit. Reading stops at the first token that is not a number; fields after it keep their
// value. Returns the count of numbers read.
int parseProfileText(std::string_view text, StitchParams& params,
                     int positions = kProfileTextFields);

// The 13 profile fields as decimal numbers separated by single spaces.
std::string formatProfileText(const StitchParams& params);

// A record with every profile field taken from `text` and the other four at 0.
StitchParams paramsFromProfileText(std::string_view text);

// Starting focal length of the first photographs, in units of half the photo width, from the
// lens slider. The slider's useful range is 0..300; stored values outside it are clamped into
// 0.1 .. 11 so that the alignment's focal-length test can accept the start.
double initialFocalLength(const StitchParams& params);

}  // namespace skylacer
