// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/machine_memory.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

namespace skylacer::shell {

namespace {

std::string fileText(const std::filesystem::path& file) {
  std::ifstream stream(file);
  std::ostringstream text;
  text << stream.rdbuf();
  return text.str();
}

std::optional<std::uint64_t> leadingNumber(std::string_view text) {
  const std::size_t start = text.find_first_of("0123456789");
  if (start == std::string_view::npos) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data() + start, text.data() + text.size(), value);
  if (error != std::errc()) return std::nullopt;
  return value;
}

std::optional<std::uint64_t> ramBytes(const std::filesystem::path& root) {
  std::istringstream lines(fileText(root / "proc/meminfo"));
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with("MemTotal:"))
      if (const auto kibibytes = leadingNumber(line)) return *kibibytes * 1024;
  return std::nullopt;
}

// The lowest limit of the group `group` ("/a/b") and of its ancestors, under `mount`; "max"
// is no limit.
std::optional<std::uint64_t> lowestLimit(const std::filesystem::path& mount,
                                         const std::string& group, const char* limitFile) {
  std::optional<std::uint64_t> lowest;
  for (std::filesystem::path relative = std::filesystem::path(group).relative_path();;
       relative = relative.parent_path()) {
    const std::string text = fileText(mount / relative / limitFile);
    if (const auto limit = leadingNumber(text); limit && !text.starts_with("max"))
      lowest = std::min(lowest.value_or(*limit), *limit);
    if (relative.empty()) break;
  }
  return lowest;
}

std::optional<std::uint64_t> controlGroupBytes(const std::filesystem::path& root) {
  std::istringstream lines(fileText(root / "proc/self/cgroup"));
  std::optional<std::uint64_t> lowest;
  for (std::string line; std::getline(lines, line);) {
    const std::size_t first = line.find(':');
    const std::size_t second = line.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    const std::string controllers = line.substr(first + 1, second - first - 1);
    const std::string path = line.substr(second + 1);
    std::optional<std::uint64_t> limit;
    if (line.starts_with("0::"))
      limit = lowestLimit(root / "sys/fs/cgroup", path, "memory.max");
    else if (controllers == "memory")
      limit = lowestLimit(root / "sys/fs/cgroup/memory", path, "memory.limit_in_bytes");
    if (limit) lowest = std::min(lowest.value_or(*limit), *limit);
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
