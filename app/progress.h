// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The progress object of the main program: forwards each report to the interface movie
// ("PBarText", "PBarProgress" 1..101, label "SetProgress" at "/") and keeps the window alive by
// handling waiting events for a few milliseconds before and after every report. Commands of the
// movie, "IDCANCEL" among them, run inside those pumps; a cancel request or a request to quit
// the application seen there sets the cancel flag, which every later report returns.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include "app/shockwave_flash.h"
#include "engine/progress.h"

namespace skylacer::app {

class CProgress final : public QObject, public IProgress {
  Q_OBJECT

 public:
  // `movie` receives the reports; `host`, when given, is repainted after each (at most every
  // few tens of milliseconds, so a burst of reports does not cost a frame each).
  CProgress(CShockwaveFlash& movie, QWidget* host);
  ~CProgress() override;

  int PushRange(double from, double to) override { return ranges_.push(from, to); }
  void PopRange() override { ranges_.pop(); }
  bool Report(double fraction, const char* text = nullptr) override;

  void requestCancel() { cancel_ = true; }
  void clearCancel() { cancel_ = false; }
  bool cancelRequested() const { return cancel_; }
  int depth() const { return ranges_.depth(); }

 protected:
  // Consumes a quit request that arrives while a report pumps, as a cancel request.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void pump();
  void repaintHost();

  CShockwaveFlash& movie_;
  QPointer<QWidget> host_;
  ProgressRanges ranges_;
  bool cancel_ = false;
  bool pumping_ = false;
  QElapsedTimer sinceRepaint_;
};

}  // namespace skylacer::app
