// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How many processors this process may keep busy: the machine's, or fewer when it is bound to
// some of them (taskset, a container's cpuset) or when its control group may use only so much
// processor time (a container's --cpus). More threads than that only take turns.

#include <filesystem>

namespace skylacer::shell {

// The processors in the calling thread's affinity mask (the machine's count where the mask
// cannot be read), and no more than the processor time the process's control groups and their
// ancestors allow, rounded up (cgroup v2 "cpu.max", v1 "cpu.cfs_quota_us" over
// "cpu.cfs_period_us"); at least 1. `root` is the file system root, "/" but for tests.
int usableProcessors(const std::filesystem::path& root = "/");

}  // namespace skylacer::shell
