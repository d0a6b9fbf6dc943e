// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Front-end stand-ins that record what the outputs tell the user.

#include <string>
#include <vector>

#include "engine/progress.h"
#include "output/movie_variables.h"
#include "output/prompt.h"

namespace skylacer::test {

struct RecordingPrompt : output::UserPrompt {
  void showMessage(std::string_view text, output::MessageIcon icon) override {
    messages.emplace_back(text);
    icons.push_back(icon);
  }
  std::vector<std::string> messages;
  std::vector<output::MessageIcon> icons;
};

// Records each report as its position in the whole range and its text ("" for none). Asks the
// work to stop from the first report at or past `stopFrom` on, as a cancel flag would.
struct RecordingProgress : IProgress {
  int PushRange(double from, double to) override { return ranges.push(from, to); }
  void PopRange() override { ranges.pop(); }
  bool Report(double fraction, const char* text) override;

  struct Entry {
    double position;
    std::string text;
  };
  std::vector<Entry> reports;
  ProgressRanges ranges;
  double stopFrom = 2;  // beyond the whole range: never stop

  // The texts given, in order.
  std::vector<std::string> texts() const;
};

// A movie that keeps its variables and the labels called, in order.
struct RecordingMovie : output::InterfaceMovie {
  void setVariable(std::string_view name, std::string_view text) override;
  std::string getVariable(std::string_view name) override;
  void callLabel(std::string_view target, std::string_view label) override;

  std::vector<std::pair<std::string, std::string>> variables;  // in the order set
  std::vector<std::string> labels;                             // "target label"
};

}  // namespace skylacer::test
