// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

namespace skylacer::test {

// The id of a process that has just ended: no process has it (until the ids wrap around).
pid_t endedProcessId();

}  // namespace skylacer::test
