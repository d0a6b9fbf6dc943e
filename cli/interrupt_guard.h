// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <csignal>

namespace skylacer::cli {

// While an object lives, Ctrl-C (SIGINT) sets a flag instead of ending the process; long work
// reads the flag through its progress object and stops. Guards nest: only the outermost one
// clears the flag and installs the handler, so a Ctrl-C between two nested steps is not lost.
class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  // Non-zero once Ctrl-C was pressed under the outermost guard.
  static const volatile std::sig_atomic_t& flag();
  static bool interrupted() { return flag() != 0; }
};

// The exit status of a command stopped by Ctrl-C (128 + SIGINT).
inline constexpr int kInterruptedExit = 130;

}  // namespace skylacer::cli
