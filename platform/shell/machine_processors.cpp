// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/machine_processors.h"

#include <sched.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include "platform/shell/control_group.h"

namespace skylacer::shell {

namespace {

int affinityProcessors() {
  cpu_set_t mask;
  CPU_ZERO(&mask);
  if (sched_getaffinity(0, sizeof mask, &mask) == 0) return CPU_COUNT(&mask);
  return static_cast<int>(std::thread::hardware_concurrency());
}

// A group's processor time as whole processors, rounded up; none when it sets no quota ("max"
// in v2, -1 in v1).
std::optional<std::uint64_t> quotaProcessors(const ControlGroupFolder& folder) {
  std::string quotaText;
  std::string periodText;
  if (folder.unified) {
    const std::string text = smallFileText(folder.path / "cpu.max");
    const std::size_t space = text.find(' ');
    if (text.starts_with("max") || space == std::string::npos) return std::nullopt;
    quotaText = text.substr(0, space);
    periodText = text.substr(space + 1);
  } else {
    quotaText = smallFileText(folder.path / "cpu.cfs_quota_us");
    periodText = smallFileText(folder.path / "cpu.cfs_period_us");
    if (quotaText.starts_with("-")) return std::nullopt;
  }
  const std::optional<std::uint64_t> quota = leadingNumber(quotaText);
  const std::optional<std::uint64_t> period = leadingNumber(periodText);
  if (!quota || !period || *period == 0) return std::nullopt;
  return (*quota + *period - 1) / *period;
}

}  // namespace

int usableProcessors(const std::filesystem::path& root) {
  std::uint64_t processors = static_cast<std::uint64_t>(std::max(1, affinityProcessors()));
  for (const ControlGroupFolder& folder : controlGroupFolders(root, "cpu"))
    if (const std::optional<std::uint64_t> quota = quotaProcessors(folder))
      processors = std::min(processors, *quota);
  return static_cast<int>(std::max<std::uint64_t>(1, processors));
}

}  // namespace skylacer::shell
