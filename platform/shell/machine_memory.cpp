// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/machine_memory.h"

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>

#include "platform/shell/control_group.h"

namespace skylacer::shell {

namespace {

std::optional<std::uint64_t> ramBytes(const std::filesystem::path& root) {
  std::istringstream lines(smallFileText(root / "proc/meminfo"));
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with("MemTotal:"))
      if (const auto kibibytes = leadingNumber(line)) return *kibibytes * 1024;
  return std::nullopt;
}

// The lowest limit of this process's groups and their ancestors; "max" is no limit.
std::optional<std::uint64_t> controlGroupBytes(const std::filesystem::path& root) {
  std::optional<std::uint64_t> lowest;
  for (const ControlGroupFolder& folder : controlGroupFolders(root, "memory")) {
    const std::string text =
        smallFileText(folder.path / (folder.unified ? "memory.max" : "memory.limit_in_bytes"));
    if (const auto limit = leadingNumber(text); limit && !text.starts_with("max"))
      lowest = std::min(lowest.value_or(*limit), *limit);
  }
  return lowest;
}

}  // namespace

std::uint64_t machineMemoryBytes(const std::filesystem::path& root) {
  const std::optional<std::uint64_t> ram = ramBytes(root);
  const std::optional<std::uint64_t> group = controlGroupBytes(root);
  if (ram && group) return std::min(*ram, *group);
  return ram.value_or(group.value_or(0));
}

}  // namespace skylacer::shell
