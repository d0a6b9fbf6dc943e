// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <csignal>
#include <cstdio>
#include <string>

#include "engine/progress.h"

namespace skylacer::cli {

// The progress of a long command on a terminal: a bar redrawn in place with the latest text
// when the stream is a terminal, otherwise one plain "NN% text" line per change of the
// percentage or the text; nothing at all when `stream` is null (-q). Report returns true once
// `cancel` is non-zero (set by the Ctrl-C handler).
class TerminalProgress final : public IProgress {
 public:
  TerminalProgress(std::FILE* stream, bool interactive, const volatile std::sig_atomic_t& cancel);
  ~TerminalProgress();
  TerminalProgress(const TerminalProgress&) = delete;
  TerminalProgress& operator=(const TerminalProgress&) = delete;

  int PushRange(double from, double to) override;
  void PopRange() override;
  bool Report(double fraction, const char* text = nullptr) override;

  // Ends the bar's line, so that later output starts on a line of its own.
  void finish();

 private:
  void draw(int percent);

  std::FILE* stream_;
  bool interactive_;
  const volatile std::sig_atomic_t& cancel_;
  ProgressRanges ranges_;
  std::string text_;
  int shownPercent_ = -1;
  std::string shownText_;
  bool lineOpen_ = false;
};

}  // namespace skylacer::cli
