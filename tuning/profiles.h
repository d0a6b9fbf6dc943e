// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Parameter profiles: named stitch parameter records kept in the user's settings store, in the
// section "Param" of the application's key. Profile i is stored as three string values:
//   "i"      its name (an empty or missing name ends the list, so profiles are numbered from 0
//            without gaps)
//   "desci"  its description, one line
//   "vali"   its 13 stored fields in profile text form (engine/params.h)
// A missing value reads as the empty string.
//
// Two readers fill a table: the main window's (128 slots, announced to the interface movie) and
// the tuner's (256 slots, for editing). Every slot starts from the template record, so a field
// that a stored text lacks keeps the template's value.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/params.h"
#include "output/movie_variables.h"
#include "platform/registry/settings_store.h"

namespace skylacer::tuning {

struct ParamProfile {
  std::string name;
  std::string description;
  // The stored fields come from the profile text; fields 9, 10, 15 and 16 are never stored and
  // start at 0 in a profile read from the store.
  StitchParams record;

  friend bool operator==(const ParamProfile&, const ParamProfile&) = default;
};

inline constexpr std::string_view kProfileSection = "Param";
inline constexpr int kMainWindowProfileSlots = 128;
inline constexpr int kTunerProfileSlots = 256;

// Value names of profile `index`: "%d", "desc%d" and "val%d".
std::string profileNameValue(int index);
std::string profileDescriptionValue(int index);
std::string profileTextValue(int index);

// The record every profile slot starts from: the template text's fields, the other four at 0.
StitchParams templateRecord();

// The built-in "Precise" profile that both readers offer after "Default" when no store lists a
// profile: the slower alignment that refines every pair down to the working size.
ParamProfile preciseProfile();

// The built-in "Coarse search" profile both readers offer last: the alignment without feature
// matching (autoFocal kAutoFocalSearchOnly), for comparison.
ParamProfile searchOnlyProfile();

// What the tuner offers when it has no profile: "Default" / "Default parameter set" with the
// template record, then preciseProfile(), then searchOnlyProfile().
std::vector<ParamProfile> tunerBuiltInProfiles();

// A table of profiles as a reader leaves it. `profiles` is never empty: a default-constructed
// table holds one unnamed profile with the template record, as the main window's table does
// before its first load, and every reader falls back to the built-in profiles.
struct ProfileTable {
  std::vector<ParamProfile> profiles{ParamProfile{{}, {}, templateRecord()}};
  int current = 0;
  // Set when stored profiles hold values outside the tuner's limits (kProfileFieldBounds): one
  // text for the user naming each such profile and field, such as `profile "Wide": number 6
  // (pixels for image blending) 0 is used as 1`. The readers use those values brought into the
  // limits and leave the store as it is.
  std::string boundsWarning;

  int count() const { return static_cast<int>(profiles.size()); }
  // The profile at `index`, or the first one when `index` addresses none (profileIndexInRange).
  ParamProfile& at(int index);
};

// The main window's reading of a profile index that comes from the movie: `index` when it is
// 0..count-1, else 0 (negative values included), so that it always selects an existing profile
// of a non-empty table.
int profileIndexInRange(int index, int count);

// The main window's reader. Reads up to 128 profiles from the user's store; the stored text is
// read with twelve conversions (the focal length in millimetres, position 12, keeps the template
// value 43), after field 13 (lens slider) is preset to 50. When the user's store lists no
// profile, the whole application key of the machine-wide store is copied into the user's store
// (a failed copy is ignored) and the reading is repeated with the preset 43. When still nothing is
// found, the table holds the built-in profiles: "Default" / "Default profile" with the default
// profile text, then preciseProfile() and searchOnlyProfile(); nothing is written.
// The current index becomes profileIndexInRange(current, count). Sets the movie variables
// "name%d" and "desc%d" for every profile read, then "namemax" (the count) and "curparam" (the
// current index), as decimal text.
ProfileTable loadProfiles(registry::SettingsStore& userStore,
                          const registry::SettingsStore& machineStore, int current,
                          output::MovieVariables& movie);

// Receives each profile name in index order, as the tuner's profile list is filled.
using ProfileNameSink = std::function<void(const std::string& name)>;

// The tuner's reader. Reads up to 256 profiles from the user's store with all thirteen
// conversions. When none is stored, the table holds tunerBuiltInProfiles() (nothing is
// written). The current index is brought into 0..count-1: one beyond the end selects the last
// profile, a negative one the first. `addName`, when given, receives every name of the resulting
// table.
ProfileTable readProfilesForEditing(const registry::SettingsStore& userStore, int current,
                                    const ProfileNameSink& addName = {});

// Replaces the stored list by `profiles`: writes name, description and text form of each
// (thirteen fields), then deletes the values of every index from the count up to 255. Refuses,
// writing nothing, a list of more than 256 profiles or one with an empty name (the empty name
// would end the stored list there and hide the profiles after it). The whole replacement is one
// transaction of the store: returns false, with the stored list as it was, when refused or when a
// value could not be written or deleted.
bool saveProfiles(registry::SettingsStore& userStore, std::span<const ParamProfile> profiles);

}  // namespace skylacer::tuning
