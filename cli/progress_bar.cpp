// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/progress_bar.h"

#include <algorithm>

namespace skylacer::cli {

namespace {

constexpr int kBarCells = 30;

}  // namespace

TerminalProgress::TerminalProgress(std::FILE* stream, bool interactive,
                                   const volatile std::sig_atomic_t& cancel)
    : stream_(stream), interactive_(interactive), cancel_(cancel) {}

TerminalProgress::~TerminalProgress() { finish(); }

int TerminalProgress::PushRange(double from, double to) { return ranges_.push(from, to); }

void TerminalProgress::PopRange() { ranges_.pop(); }

bool TerminalProgress::Report(double fraction, const char* text) {
  if (text != nullptr) text_ = text;
  const int percent = std::clamp(progressBarValue(ranges_.map(fraction)) - 1, 0, 100);
  if (percent != shownPercent_ || text_ != shownText_) draw(percent);
  return cancel_ != 0;
}

void TerminalProgress::draw(int percent) {
  shownPercent_ = percent;
  shownText_ = text_;
  if (stream_ == nullptr) return;
  if (!interactive_) {
    std::fprintf(stream_, "%3d%% %s\n", percent, text_.c_str());
    std::fflush(stream_);
    return;
  }
  const int filled = percent * kBarCells / 100;
  const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                          std::string(static_cast<std::size_t>(kBarCells - filled), ' ');
  // Carriage return, the bar, then erase what a longer earlier text left on the line.
  std::fprintf(stream_, "\r[%s] %3d%% %s\x1b[K", bar.c_str(), percent, text_.c_str());
  std::fflush(stream_);
  lineOpen_ = true;
}

void TerminalProgress::finish() {
  if (!lineOpen_) return;
  std::fputc('\n', stream_);
  std::fflush(stream_);
  lineOpen_ = false;
}

}  // namespace skylacer::cli
