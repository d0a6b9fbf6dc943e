// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/registry/application_settings.h"

#include "platform/registry/key_path.h"

namespace skylacer::registry {

std::string sectionKeyPath(std::string_view section) {
  return subKeyPath(kApplicationKey, section);
}

std::int32_t ApplicationSettings::readInt(std::string_view section, std::string_view entry,
                                          std::int32_t fallback) const {
  return store_.readInteger(sectionKeyPath(section), entry).value_or(fallback);
}

std::string ApplicationSettings::readString(std::string_view section, std::string_view entry,
                                            std::string_view fallback) const {
  std::optional<std::string> value = store_.readString(sectionKeyPath(section), entry);
  return value ? std::move(*value) : std::string(fallback);
}

std::optional<std::vector<std::uint8_t>> ApplicationSettings::readBinary(
    std::string_view section, std::string_view entry) const {
  return store_.readBinary(sectionKeyPath(section), entry);
}

bool ApplicationSettings::writeInt(std::string_view section, std::string_view entry,
                                   std::int32_t value) {
  return store_.writeInteger(sectionKeyPath(section), entry, value);
}

bool ApplicationSettings::writeString(std::string_view section, std::string_view entry,
                                      std::string_view value) {
  return store_.writeString(sectionKeyPath(section), entry, value);
}

bool ApplicationSettings::writeBinary(std::string_view section, std::string_view entry,
                                      std::span<const std::uint8_t> value) {
  return store_.writeBinary(sectionKeyPath(section), entry, value);
}

bool ApplicationSettings::deleteValue(std::string_view section, std::string_view entry) {
  return store_.deleteValue(sectionKeyPath(section), entry);
}

}  // namespace skylacer::registry
