// SPDX-License-Identifier: GPL-3.0-or-later
// The memory a process can have: the RAM, or the lowest limit of its control group and the
// group's ancestors; and the processors it may run on.

#include "platform/shell/machine_memory.h"

#include <gtest/gtest.h>
#include <sched.h>

#include "platform/shell/machine_processors.h"
#include "tests/support/file_contents.h"
#include "tests/support/temp_dir.h"

namespace skylacer::shell {
namespace {

namespace fs = std::filesystem;

void writeAt(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  test::writeFile(file, text);
}

TEST(MachineMemory, TheLowestOfTheRamAndTheGroupsOnTheWayUp) {
  const test::TempDir root;
  writeAt(root / "proc/meminfo", "MemTotal:        8388608 kB\nMemFree: 1 kB\n");
  EXPECT_EQ(machineMemoryBytes(root.path()), 8ull << 30) << "no control group: the RAM";

  // cgroup v2: the group says "max", its parent 2 GiB.
  writeAt(root / "proc/self/cgroup", "0::/a/b\n");
  writeAt(root / "sys/fs/cgroup/a/b/memory.max", "max\n");
  writeAt(root / "sys/fs/cgroup/a/memory.max", "2147483648\n");
  EXPECT_EQ(machineMemoryBytes(root.path()), 2ull << 30);

  // cgroup v1: a limit above the RAM leaves the RAM.
  writeAt(root / "proc/self/cgroup", "4:memory:/x\n0::/\n");
  writeAt(root / "sys/fs/cgroup/memory/x/memory.limit_in_bytes", "9223372036854771712\n");
  EXPECT_EQ(machineMemoryBytes(root.path()), 8ull << 30);
  writeAt(root / "sys/fs/cgroup/memory/memory.limit_in_bytes", "1073741824\n");
  EXPECT_EQ(machineMemoryBytes(root.path()), 1ull << 30);
}

TEST(MachineMemory, NothingReadableIsZero) {
  const test::TempDir root;
  EXPECT_EQ(machineMemoryBytes(root.path()), 0u);
}

TEST(MachineProcessors, OnlyThoseTheThreadIsBoundToAndTheGroupsTimeAllows) {
  const test::TempDir root;  // no control group
  cpu_set_t all;
  ASSERT_EQ(sched_getaffinity(0, sizeof all, &all), 0);
  const int machine = CPU_COUNT(&all);
  EXPECT_EQ(usableProcessors(root.path()), machine);

  // Bound to one processor, as under "taskset -c N": threads beyond it would only take turns.
  int first = 0;
  while (!CPU_ISSET(first, &all)) ++first;
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(first, &one);
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  const int bound = usableProcessors(root.path());
  ASSERT_EQ(sched_setaffinity(0, sizeof all, &all), 0);
  EXPECT_EQ(bound, 1);

  // cgroup v2: the group sets no quota, its parent half a processor's time, rounded up to one.
  writeAt(root / "proc/self/cgroup", "0::/a/b\n");
  writeAt(root / "sys/fs/cgroup/a/b/cpu.max", "max 100000\n");
  EXPECT_EQ(usableProcessors(root.path()), machine) << "no quota anywhere yet";
  writeAt(root / "sys/fs/cgroup/a/cpu.max", "50000 100000\n");
  EXPECT_EQ(usableProcessors(root.path()), 1);

  // cgroup v1, the cpu controller mounted with cpuacct: -1 is no quota.
  writeAt(root / "proc/self/cgroup", "3:cpu,cpuacct:/x\n0::/\n");
  writeAt(root / "sys/fs/cgroup/cpu/x/cpu.cfs_quota_us", "-1\n");
  writeAt(root / "sys/fs/cgroup/cpu/x/cpu.cfs_period_us", "100000\n");
  EXPECT_EQ(usableProcessors(root.path()), machine);
  writeAt(root / "sys/fs/cgroup/cpu/x/cpu.cfs_quota_us", "100000\n");
  EXPECT_EQ(usableProcessors(root.path()), 1);
}

}  // namespace
}  // namespace skylacer::shell
