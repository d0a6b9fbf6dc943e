// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How much memory this process can have: the machine's RAM, or less when the control group it
// runs in (a container, a systemd slice) sets a lower limit.

#include <cstdint>
#include <filesystem>

namespace skylacer::shell {

// The smaller of the RAM in /proc/meminfo and the memory limit of this process's control group
// and its ancestors (cgroup v2 "memory.max", v1 "memory.limit_in_bytes"); 0 when neither can be
// read. `root` is the file system root, "/" but for tests.
std::uint64_t machineMemoryBytes(const std::filesystem::path& root = "/");

}  // namespace skylacer::shell
