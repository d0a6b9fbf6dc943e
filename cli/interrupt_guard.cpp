// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/interrupt_guard.h"

#include <signal.h>

namespace skylacer::cli {

namespace {

volatile std::sig_atomic_t interruptedFlag = 0;

// Guards alive; the handler is installed while this is above 0. The command-line program runs
// its commands on one thread.
int liveGuards = 0;
struct sigaction previousAction {};

extern "C" void onInterrupt(int) {
  interruptedFlag = 1;
}

}  // namespace

InterruptGuard::InterruptGuard() {
  if (liveGuards++ > 0) return;
  interruptedFlag = 0;
  struct sigaction action {};
  action.sa_handler = onInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previousAction);
}

InterruptGuard::~InterruptGuard() {
  if (--liveGuards == 0) sigaction(SIGINT, &previousAction, nullptr);
}

const volatile std::sig_atomic_t& InterruptGuard::flag() {
  return interruptedFlag;
}

}  // namespace skylacer::cli
