// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// SIGTERM, SIGINT and SIGHUP (a session ending, Ctrl-C in a terminal) end the event loop like a
// normal quit instead of killing the process, so the main window is destroyed and its temporary
// files (thumbnails, slices) are removed. A long command that runs finishes first.

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace skylacer::app {

class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  // Installs the handlers for the object's life; the previous ones come back with its end.
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

 private:
  void received();

  int pipe_[2] = {-1, -1};
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace skylacer::app
