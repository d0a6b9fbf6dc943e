// SPDX-License-Identifier: GPL-3.0-or-later
#include "tuning/profiles.h"

#include <algorithm>
#include <optional>

#include "platform/registry/application_settings.h"
#include "platform/registry/registry_tree.h"

namespace skylacer::tuning {

namespace {

// Lens slider positions put into field 13 before the main window parses a stored text, on the
// first reading and on the reading after the machine-wide copy.
constexpr std::int32_t kFirstReadingLensSlider = 50;
constexpr std::int32_t kMachineCopyLensSlider = 43;

// The main window reads every stored field but the last (the focal length in millimetres).
constexpr int kMainWindowTextPositions = kProfileTextFields - 1;

struct ReadingRule {
  int capacity;
  int textPositions;
  std::optional<std::int32_t> lensSliderPreset;
};

// The profiles stored from index 0 up to the first missing or empty name, at most
// rule.capacity of them, each field brought into its bounds; what was changed is added to
// `warning`.
std::vector<ParamProfile> readStoredProfiles(const registry::SettingsStore& store,
                                             const ReadingRule& rule, std::string& warning) {
  const std::string key = registry::sectionKeyPath(kProfileSection);
  const auto stored = [&](const std::string& valueName) {
    return store.readString(key, valueName).value_or("");
  };
  std::vector<ParamProfile> profiles;
  for (int index = 0; index < rule.capacity; ++index) {
    std::string name = stored(profileNameValue(index));
    if (name.empty()) break;
    ParamProfile profile{std::move(name), stored(profileDescriptionValue(index)), templateRecord()};
    if (rule.lensSliderPreset) profile.record.lensSlider = *rule.lensSliderPreset;
    parseProfileText(stored(profileTextValue(index)), profile.record, rule.textPositions);
    const std::vector<ClampedField> clamped = clampProfileFields(profile.record);
    if (!clamped.empty()) {
      warning += (warning.empty() ? "profile \"" : "; profile \"") + profile.name + "\":";
      for (const ClampedField& field : clamped) warning += " " + clampedFieldText(field) + ",";
      warning.pop_back();
    }
    profiles.push_back(std::move(profile));
  }
  return profiles;
}

}  // namespace

std::string profileNameValue(int index) {
  return std::to_string(index);
}

std::string profileDescriptionValue(int index) {
  return "desc" + std::to_string(index);
}

std::string profileTextValue(int index) {
  return "val" + std::to_string(index);
}

StitchParams templateRecord() {
  return paramsFromProfileText(kProfileTemplateText);
}

ParamProfile preciseProfile() {
  return {"Precise", "Slower, most accurate alignment", paramsFromProfileText(kPreciseProfileText)};
}

ParamProfile searchOnlyProfile() {
  return {"Coarse search", "The alignment by the coarse search alone, without feature matching",
          paramsFromProfileText(kSearchOnlyProfileText)};
}

std::vector<ParamProfile> tunerBuiltInProfiles() {
  return {{"Default", "Default parameter set", templateRecord()},
          preciseProfile(),
          searchOnlyProfile()};
}

ParamProfile& ProfileTable::at(int index) {
  return profiles.at(static_cast<std::size_t>(profileIndexInRange(index, count())));
}

int profileIndexInRange(int index, int count) {
  return index >= 0 && index < count ? index : 0;
}

ProfileTable loadProfiles(registry::SettingsStore& userStore,
                          const registry::SettingsStore& machineStore, int current,
                          output::MovieVariables& movie) {
  ProfileTable table;
  table.profiles = readStoredProfiles(
      userStore, {kMainWindowProfileSlots, kMainWindowTextPositions, kFirstReadingLensSlider},
      table.boundsWarning);
  if (table.profiles.empty()) {
    registry::copyRegistryTree(machineStore, registry::kApplicationKey, userStore,
                               registry::kApplicationKey);
    table.profiles = readStoredProfiles(
        userStore, {kMainWindowProfileSlots, kMainWindowTextPositions, kMachineCopyLensSlider},
        table.boundsWarning);
  }
  if (table.profiles.empty()) {
    table.profiles = {{"Default", "Default profile", paramsFromProfileText(kDefaultProfileText)},
                      preciseProfile(),
                      searchOnlyProfile()};
  }
  table.current = profileIndexInRange(current, table.count());

  for (int index = 0; index < table.count(); ++index) {
    const ParamProfile& profile = table.profiles[static_cast<std::size_t>(index)];
    movie.setVariable("name" + std::to_string(index), profile.name);
    movie.setVariable("desc" + std::to_string(index), profile.description);
  }
  movie.setVariable("namemax", std::to_string(table.count()));
  movie.setVariable("curparam", std::to_string(table.current));
  return table;
}

ProfileTable readProfilesForEditing(const registry::SettingsStore& userStore, int current,
                                    const ProfileNameSink& addName) {
  ProfileTable table;
  table.profiles = readStoredProfiles(
      userStore, {kTunerProfileSlots, kProfileTextFields, std::nullopt}, table.boundsWarning);
  if (table.profiles.empty()) {
    table.profiles = tunerBuiltInProfiles();
  }
  table.current = std::clamp(current, 0, table.count() - 1);
  if (addName) {
    for (const ParamProfile& profile : table.profiles) addName(profile.name);
  }
  return table;
}

bool saveProfiles(registry::SettingsStore& userStore, std::span<const ParamProfile> profiles) {
  const auto hasEmptyName = [](const ParamProfile& profile) { return profile.name.empty(); };
  if (profiles.size() > static_cast<std::size_t>(kTunerProfileSlots) ||
      std::ranges::any_of(profiles, hasEmptyName)) {
    return false;
  }
  const std::string key = registry::sectionKeyPath(kProfileSection);
  // A value that already holds its text is left alone.
  const auto store = [&](const std::string& valueName, const std::string& text) {
    return userStore.readString(key, valueName) == text ||
           userStore.writeString(key, valueName, text);
  };
  const int count = static_cast<int>(profiles.size());
  return userStore.writeAll([&] {
    for (int index = 0; index < count; ++index) {
      const ParamProfile& profile = profiles[static_cast<std::size_t>(index)];
      if (!store(profileNameValue(index), profile.name) ||
          !store(profileDescriptionValue(index), profile.description) ||
          !store(profileTextValue(index), formatProfileText(profile.record))) {
        return false;
      }
    }
    for (int index = count; index < kTunerProfileSlots; ++index) {
      if (!userStore.deleteValue(key, profileNameValue(index)) ||
          !userStore.deleteValue(key, profileDescriptionValue(index)) ||
          !userStore.deleteValue(key, profileTextValue(index))) {
        return false;
      }
    }
    return true;
  });
}

}  // namespace skylacer::tuning
