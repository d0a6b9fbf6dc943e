// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/memory_limit.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "platform/shell/machine_memory.h"

namespace skylacer::shell {

namespace {

constexpr std::uint64_t kMebibyte = std::uint64_t{1} << 20;

std::string gigabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / 1e9);
  return text;
}

}  // namespace

std::uint64_t memoryLimit(std::int32_t settingMegabytes) {
  const std::uint64_t machine = machineMemoryBytes();
  // Memory that cannot be told is no reason to refuse.
  const std::uint64_t threeQuarters =
      machine == 0 ? std::numeric_limits<std::uint64_t>::max() : machine / 4 * 3;
  const std::uint64_t setting =
      settingMegabytes > 0 ? std::uint64_t(settingMegabytes) * kMebibyte : 0;
  return std::max(threeQuarters, setting);
}

std::optional<std::string> memoryRefusal(std::string_view what, std::uint64_t needed,
                                         std::uint64_t limit, std::string_view raisedBy) {
  if (needed <= limit) return std::nullopt;
  return std::string(what) + " need about " + gigabytes(needed) +
         " of memory, more than the limit of " + gigabytes(limit) + " (" + std::string(raisedBy) +
         "); nothing was written";
}

}  // namespace skylacer::shell
