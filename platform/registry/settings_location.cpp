// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/registry/settings_location.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace skylacer::registry {

namespace {

constexpr std::string_view kStoreFileName = "settings.db";

std::string_view environmentVariable(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string_view() : std::string_view(value);
}

std::filesystem::path homeFolder() {
  const std::string_view home = environmentVariable("HOME");
  if (!home.empty()) return home;
  const passwd* entry = ::getpwuid(::getuid());
  if (entry == nullptr || entry->pw_dir == nullptr) return {};
  return entry->pw_dir;
}

std::filesystem::path userConfigFolder() {
  const std::filesystem::path configHome(environmentVariable("XDG_CONFIG_HOME"));
  if (configHome.is_absolute()) return configHome;
  const std::filesystem::path home = homeFolder();
  if (home.empty()) return {};
  return home / ".config";
}

}  // namespace

std::filesystem::path userSettingsFile() {
  const std::string_view overridden = environmentVariable("SKYLACER_USER_SETTINGS");
  if (!overridden.empty()) return overridden;
  const std::filesystem::path configFolder = userConfigFolder();
  if (configFolder.empty()) return {};
  return configFolder / kMakerFolder / kProductFolder / kStoreFileName;
}

std::filesystem::path machineSettingsFile() {
  const std::string_view overridden = environmentVariable("SKYLACER_MACHINE_SETTINGS");
  if (!overridden.empty()) return overridden;
  return std::filesystem::path("/etc/xdg") / kMakerFolder / kProductFolder / kStoreFileName;
}

}  // namespace skylacer::registry
