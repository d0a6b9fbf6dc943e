// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How many processors this process may run on: the machine's, or fewer when it is bound to
// some of them (taskset, a container's cpuset). More threads than that only take turns.

namespace skylacer::shell {

// The processors in the calling thread's affinity mask; the machine's count where the mask
// cannot be read; at least 1.
int usableProcessors();

}  // namespace skylacer::shell
