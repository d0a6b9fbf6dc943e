// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/termination_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>

namespace skylacer::app {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
// The write end of the pipe, for the signal handler; -1 while no handler is installed.
volatile sig_atomic_t signalPipe = -1;

extern "C" void onTerminationSignal(int) {
  const char byte = 1;
  if (signalPipe >= 0) [[maybe_unused]]
    const auto written = ::write(signalPipe, &byte, 1);
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipe_) != 0) return;
  signalPipe = pipe_[0];
  notifier_ = std::make_unique<QSocketNotifier>(pipe_[1], QSocketNotifier::Read);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &TerminationSignals::received);
  struct sigaction action {};
  action.sa_handler = onTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int number : kSignals) ::sigaction(number, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
  for (int number : kSignals) ::signal(number, SIG_DFL);
  signalPipe = -1;
  notifier_.reset();
  for (int fd : pipe_)
    if (fd >= 0) ::close(fd);
}

void TerminationSignals::received() {
  char bytes[16];
  while (::read(pipe_[1], bytes, sizeof bytes) > 0) {
  }
  QCoreApplication::exit(0);
}

}  // namespace skylacer::app
