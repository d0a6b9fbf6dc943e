// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The application's settings as the program reads and writes them: values in named sections,
// each section a sub-key of the application's key in the user's settings store. Section and
// value names are not case-sensitive ("Settings" and "settings" are one section).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/settings_store.h"

namespace skylacer::registry {

// The application's key, relative to the root of the user's store.
inline constexpr std::string_view kApplicationKey = "Software\\Oskelvind\\Skylacer 3";

class ApplicationSettings {
 public:
  // The store is owned by the caller and outlives this object.
  explicit ApplicationSettings(SettingsStore& userStore) : store_(userStore) {}

  // Reads give `fallback` (or nothing) when the value is missing, has another kind, or the store
  // cannot be read.
  std::int32_t readInt(std::string_view section, std::string_view entry,
                       std::int32_t fallback) const;
  std::string readString(std::string_view section, std::string_view entry,
                         std::string_view fallback) const;
  std::optional<std::vector<std::uint8_t>> readBinary(std::string_view section,
                                                      std::string_view entry) const;

  // Writes replace the value whatever its kind was; false when the store cannot be written.
  bool writeInt(std::string_view section, std::string_view entry, std::int32_t value);
  bool writeString(std::string_view section, std::string_view entry, std::string_view value);
  bool writeBinary(std::string_view section, std::string_view entry,
                   std::span<const std::uint8_t> value);
  // True when the value is absent afterwards (a missing one is harmless).
  bool deleteValue(std::string_view section, std::string_view entry);

 private:
  SettingsStore& store_;
};

// The key of a section, relative to the store's root.
std::string sectionKeyPath(std::string_view section);

}  // namespace skylacer::registry
