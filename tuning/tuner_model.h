// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The tuner's working state, without any widget: the profile table being edited, the values its
// pages show, the modified flag that enables Apply, and the operations of the profile area.
//
// The pages show one profile at a time, the current one. Their values are copied from its record
// when it is shown and back into it when they are taken (before a selection change, New, Export,
// Apply and OK); until then the table's entry for the current profile lags behind the pages.

#include <optional>
#include <string>
#include <vector>

#include "engine/params.h"
#include "platform/registry/settings_store.h"
#include "tuning/integer_field.h"
#include "tuning/profiles.h"

namespace skylacer::tuning {

// The edit fields of the pages, with the record field each one edits.
enum class TunerField {
  OverlapFrom,      // General, percent; field 7
  OverlapTo,        // General, percent; field 8
  FocalLength,      // Lens, millimetres (35 mm camera equivalent); field 14
  ImageSize,        // Advanced, pixels; shown as twice field 6
  Iterations,       // Advanced; field 11
  NonlinearPixels,  // Advanced; field 5
  BlendPixels,      // Advanced; field 12
  MagnetYShift,     // Advanced, shown disabled; field 0
};

// The check boxes of the pages, with the record field each one sets to 0 or 1.
enum class TunerCheck {
  Crop,               // General; field 1
  CalcRotation,       // General; field 3
  CorrectDistortion,  // General; field 2
  AutoFocal,          // Lens; field 4
};

struct TunerFieldLimits {
  IntegerRange accepted;               // values the field takes
  std::optional<IntegerRange> arrows;  // where its arrows step; none: the field has no arrows
};

TunerFieldLimits tunerFieldLimits(TunerField field);

class TunerModel {
 public:
  // Reads the user's profiles for editing (at most 256; the built-in "Default" when none is
  // stored) and shows profile `current`, brought into range. The store is owned by the caller
  // and outlives the model.
  TunerModel(registry::SettingsStore& userStore, int current);

  const std::vector<ParamProfile>& profiles() const { return profiles_; }
  int current() const { return current_; }
  bool modified() const { return modified_; }

  // The values the pages show.
  int field(TunerField field) const;
  bool check(TunerCheck check) const;
  int lensSlider() const { return pageValues_.lensSlider; }
  const std::string& description() const { return description_; }
  // What the reading brought into the fields' limits (ProfileTable::boundsWarning); empty when
  // nothing.
  const std::string& boundsWarning() const { return boundsWarning_; }

  // The user's edits. A field edit sets modified when the value differs from the current
  // profile's record (the image size is compared with twice the stored field); the Magnet Y
  // shift, which the user cannot reach, never does. A focal length moves the lens slider to its
  // position, and a released slider sets the focal length of its position.
  void editField(TunerField field, int value);
  void releaseLensSlider(int position);
  // A click sets modified.
  void clickCheck(TunerCheck check, bool on);
  // A changed description sets modified.
  void editDescription(std::string text);

  // Copies the page values into the current profile (the image size halved, the remainder
  // dropped) and the description into its description.
  void takeEdits();

  // Takes the edits, makes profile `index` (0..count-1) current and shows it.
  void select(int index);

  // New is refused once the table holds 256 profiles.
  bool canAddProfile() const;
  // Takes the edits, then appends a copy of the current record named `name`, with `name` as its
  // description, and makes it current; modified is set when that changes the description. False,
  // with nothing changed, when the table is full.
  bool addProfile(std::string name);

  // Removes the current profile; the first one becomes current and is shown. When none is left,
  // the built-in profiles (tunerBuiltInProfiles) take its place and the result is true.
  bool removeCurrent();

  // Takes the edits and replaces the stored list by the table. Clears modified on success;
  // false when the store refused it.
  bool save();

  // The current index as the caller reads it when the dialog closes, always naming a stored
  // profile: the current one when it is stored, else the one the dialog first showed (Cancel
  // after New), else 0.
  int handedBackIndex() const;

 private:
  // Copies the current record into the page values and clears modified.
  void show();
  int storedValue(TunerField field) const;

  registry::SettingsStore& store_;
  std::vector<ParamProfile> profiles_;
  int current_ = 0;
  int firstShown_ = 0;
  int storedCount_ = 0;  // how many profiles of the table the store holds as they are numbered
  // The profile fields as the pages show them: firstIterSize holds the shown image size.
  StitchParams pageValues_;
  std::string description_;
  std::string boundsWarning_;
  bool modified_ = false;
};

}  // namespace skylacer::tuning
