// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/progress.h"

namespace skylacer::test {

// Follows the range stack like a front end and records every report with its position in the
// whole range. `stop` decides, from the text, whether a report asks the work to stop.
class RecordingProgress final : public IProgress {
 public:
  struct Entry {
    std::string text;  // empty when the report had none
    double position;
  };

  explicit RecordingProgress(std::function<bool(const std::string&)> stop = nullptr)
      : stop_(std::move(stop)) {}

  int PushRange(double from, double to) override { return ranges_.push(from, to); }
  void PopRange() override { ranges_.pop(); }
  bool Report(double fraction, const char* text) override {
    entries.push_back({text != nullptr ? text : "", ranges_.map(fraction)});
    return stop_ && stop_(entries.back().text);
  }
  int depth() const { return ranges_.depth(); }

  std::vector<Entry> entries;

  std::vector<Entry> withText() const {
    std::vector<Entry> texts;
    for (const auto& e : entries)
      if (!e.text.empty()) texts.push_back(e);
    return texts;
  }

 private:
  ProgressRanges ranges_;
  std::function<bool(const std::string&)> stop_;
};

}  // namespace skylacer::test
