// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/tuner_model.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <stdexcept>

#include "platform/registry/application_settings.h"
#include "tuning/dialog_texts.h"
#include "tuning/lens_scale.h"

namespace skylacer::tuning {

namespace {

int recordField(TunerField field) {
  switch (field) {
    case TunerField::OverlapFrom:
      return 7;
    case TunerField::OverlapTo:
      return 8;
    case TunerField::FocalLength:
      return 14;
    case TunerField::ImageSize:
      return 6;
    case TunerField::Iterations:
      return 11;
    case TunerField::NonlinearPixels:
      return 5;
    case TunerField::BlendPixels:
      return 12;
    case TunerField::MagnetYShift:
      return 0;
  }
  throw std::invalid_argument("tuner field");
}

int recordField(TunerCheck check) {
  switch (check) {
    case TunerCheck::Crop:
      return 1;
    case TunerCheck::CalcRotation:
      return 3;
    case TunerCheck::CorrectDistortion:
      return 2;
    case TunerCheck::AutoFocal:
      return 4;
  }
  throw std::invalid_argument("tuner check");
}

// The image size as the page shows it: twice the stored field, held to the 32-bit range.
int shownImageSize(std::int32_t stored) {
  return static_cast<int>(std::clamp<std::int64_t>(2 * std::int64_t{stored}, INT32_MIN, INT32_MAX));
}

}  // namespace

TunerFieldLimits tunerFieldLimits(TunerField field) {
  const auto stored = [](int position) {
    const ProfileFieldBounds& bounds = kProfileFieldBounds[static_cast<std::size_t>(position)];
    return IntegerRange{bounds.least, bounds.most};
  };
  switch (field) {
    case TunerField::OverlapFrom:
      return {stored(1), IntegerRange{0, 100}};
    case TunerField::OverlapTo:
      return {stored(2), IntegerRange{0, 100}};
    case TunerField::FocalLength:
      return {stored(12), IntegerRange{6, 300}};
    case TunerField::ImageSize:  // shown as twice the stored field, from 1
      return {{1, 2 * stored(0).max}, IntegerRange{32, 1024}};
    // The arrows stop where the field's range ends, so they never produce a refused value.
    case TunerField::Iterations:
      return {stored(3), IntegerRange{4, 128}};
    case TunerField::NonlinearPixels:
      return {stored(4), std::nullopt};
    case TunerField::BlendPixels:
      return {stored(5), IntegerRange{4, 256}};
    case TunerField::MagnetYShift:
      return {stored(10), IntegerRange{0, 256}};
  }
  throw std::invalid_argument("tuner field");
}

TunerModel::TunerModel(registry::SettingsStore& userStore, int current) : store_(userStore) {
  ProfileTable table = readProfilesForEditing(store_, current);
  profiles_ = std::move(table.profiles);
  current_ = table.current;
  boundsWarning_ = std::move(table.boundsWarning);
  firstShown_ = current_;
  const registry::ApplicationSettings settings(store_);
  const bool anyStored = !settings.readString(kProfileSection, profileNameValue(0), "").empty();
  storedCount_ = anyStored ? static_cast<int>(profiles_.size()) : 0;
  show();
}

int TunerModel::field(TunerField field) const {
  return paramField(pageValues_, recordField(field));
}

bool TunerModel::check(TunerCheck check) const {
  return paramField(pageValues_, recordField(check)) != 0;
}

int TunerModel::storedValue(TunerField field) const {
  const StitchParams& record = profiles_[static_cast<std::size_t>(current_)].record;
  if (field == TunerField::ImageSize) return shownImageSize(record.firstIterSize);
  return paramField(record, recordField(field));
}

void TunerModel::editField(TunerField field, int value) {
  paramField(pageValues_, recordField(field)) = value;
  if (field != TunerField::MagnetYShift && value != storedValue(field)) modified_ = true;
  if (field == TunerField::FocalLength) pageValues_.lensSlider = sliderFromFocalLength(value);
}

void TunerModel::releaseLensSlider(int position) {
  const StitchParams& record = profiles_[static_cast<std::size_t>(current_)].record;
  pageValues_.lensSlider = position;
  if (position != record.lensSlider) modified_ = true;
  const int millimetres = focalLengthFromSlider(position);
  pageValues_.focalMm = millimetres;
  if (millimetres != record.focalMm) modified_ = true;
}

void TunerModel::clickCheck(TunerCheck check, bool on) {
  paramField(pageValues_, recordField(check)) = on ? 1 : 0;
  modified_ = true;
}

void TunerModel::editDescription(std::string text) {
  if (text == description_) return;
  description_ = std::move(text);
  modified_ = true;
}

void TunerModel::takeEdits() {
  ParamProfile& profile = profiles_[static_cast<std::size_t>(current_)];
  for (int field : kProfileTextField) {
    paramField(profile.record, field) = paramField(pageValues_, field);
  }
  profile.record.firstIterSize = pageValues_.firstIterSize / 2;
  profile.description = description_;
}

void TunerModel::show() {
  const ParamProfile& profile = profiles_[static_cast<std::size_t>(current_)];
  pageValues_ = profile.record;
  pageValues_.firstIterSize = shownImageSize(profile.record.firstIterSize);
  description_ = profile.description;
  modified_ = false;
}

void TunerModel::select(int index) {
  if (index < 0 || index >= static_cast<int>(profiles_.size())) {
    throw std::out_of_range("tuner profile index");
  }
  takeEdits();
  current_ = index;
  show();
}

bool TunerModel::canAddProfile() const {
  return static_cast<int>(profiles_.size()) < kTunerProfileSlots;
}

bool TunerModel::addProfile(std::string name) {
  if (!canAddProfile()) return false;
  takeEdits();
  const StitchParams record = profiles_[static_cast<std::size_t>(current_)].record;
  profiles_.push_back({name, name, record});
  current_ = static_cast<int>(profiles_.size()) - 1;
  editDescription(std::move(name));
  return true;
}

bool TunerModel::removeCurrent() {
  profiles_.erase(profiles_.begin() + current_);
  current_ = 0;
  const bool restoredDefault = profiles_.empty();
  if (restoredDefault) {
    profiles_ = tunerBuiltInProfiles();
  }
  show();
  return restoredDefault;
}

bool TunerModel::save() {
  takeEdits();
  if (!saveProfiles(store_, profiles_)) return false;
  storedCount_ = static_cast<int>(profiles_.size());
  modified_ = false;
  return true;
}

int TunerModel::handedBackIndex() const {
  if (current_ < storedCount_) return current_;
  if (firstShown_ < storedCount_) return firstShown_;
  return 0;
}

}  // namespace skylacer::tuning
