// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/ended_process.h"

#include <sys/wait.h>
#include <unistd.h>

namespace skylacer::test {

pid_t endedProcessId() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

}  // namespace skylacer::test
