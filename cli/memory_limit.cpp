// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/memory_limit.h"

#include <charconv>
#include <filesystem>
#include <limits>

#include "platform/registry/application_settings.h"
#include "platform/registry/settings_location.h"
#include "platform/registry/settings_store.h"
#include "platform/shell/memory_limit.h"

namespace skylacer::cli {

namespace {

std::int32_t storedLimitMegabytes() {
  const std::filesystem::path storeFile = registry::userSettingsFile();
  if (storeFile.empty() || !std::filesystem::exists(storeFile)) return 0;
  registry::SettingsStore store(storeFile, registry::SettingsStore::Access::ReadOnly);
  return registry::ApplicationSettings(store).readInt(shell::kMemoryLimitSection,
                                                      shell::kMemoryLimitEntry, 0);
}

}  // namespace

std::optional<std::uint64_t> parseMemorySize(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data() || value == 0) return std::nullopt;
  const std::string_view unit(end, static_cast<std::size_t>(text.data() + text.size() - end));
  int shift = 0;
  if (unit == "K" || unit == "k")
    shift = 10;
  else if (unit == "M" || unit == "m")
    shift = 20;
  else if (unit == "G" || unit == "g")
    shift = 30;
  else if (unit == "T" || unit == "t")
    shift = 40;
  else if (!unit.empty())
    return std::nullopt;
  if (value > (std::numeric_limits<std::uint64_t>::max() >> shift)) return std::nullopt;
  return value << shift;
}

std::uint64_t memoryLimit(std::optional<std::uint64_t> option) {
  return option ? *option : shell::memoryLimit(storedLimitMegabytes());
}

}  // namespace skylacer::cli
