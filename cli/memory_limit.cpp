#include "cli/memory_limit.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>

#include "platform/registry/application_settings.h"
#include "platform/registry/settings_location.h"
#include "platform/registry/settings_store.h"
#include "platform/shell/machine_memory.h"

namespace skylacer::cli {

namespace {

constexpr std::uint64_t kMebibyte = std::uint64_t{1} << 20;

std::uint64_t storedLimitBytes() {
  const std::filesystem::path storeFile = registry::userSettingsFile();
  if (storeFile.empty() || !std::filesystem::exists(storeFile)) return 0;
  registry::SettingsStore store(storeFile, registry::SettingsStore::Access::ReadOnly);
  const std::int32_t megabytes =
      registry::ApplicationSettings(store).readInt("Settings", "Memory limit", 0);
  return megabytes > 0 ? std::uint64_t(megabytes) * kMebibyte : 0;
}

std::string gigabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / 1e9);
  return text;
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
  if (option) return *option;
  const std::uint64_t machine = shell::machineMemoryBytes();
  // Memory that cannot be told is no reason to refuse.
  const std::uint64_t threeQuarters =
      machine == 0 ? std::numeric_limits<std::uint64_t>::max() : machine / 4 * 3;
  return std::max(threeQuarters, storedLimitBytes());
}

std::optional<std::string> memoryRefusal(std::string_view what, std::uint64_t needed,
                                         std::uint64_t limit) {
  if (needed <= limit) return std::nullopt;
  return std::string(what) + " need about " + gigabytes(needed) +
         " of memory, more than the limit of " + gigabytes(limit) +
         " (--memory-limit raises it); nothing was written";
}

}  // namespace skylacer::cli
