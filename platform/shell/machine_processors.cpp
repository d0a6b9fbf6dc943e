// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/shell/machine_processors.h"

#include <sched.h>

#include <algorithm>
#include <thread>

namespace skylacer::shell {

int usableProcessors() {
  cpu_set_t mask;
  CPU_ZERO(&mask);
  if (sched_getaffinity(0, sizeof mask, &mask) == 0) return std::max(1, CPU_COUNT(&mask));
  return static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
}

}  // namespace skylacer::shell
