// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

#include "engine/progress.h"

namespace skylacer::test {

// A progress object that records every report (its fraction, and its text when one is given)
// and asks to stop from report number `stopAt` (counted from 0) on. `depth` counts the ranges
// left open.
class ScriptedProgress final : public IProgress {
 public:
  explicit ScriptedProgress(int stopAt = 1 << 30) : stopAt_(stopAt) {}
  int PushRange(double, double) override { return depth++; }
  void PopRange() override { --depth; }
  bool Report(double fraction, const char* text) override {
    fractions.push_back(fraction);
    if (text != nullptr) texts.emplace_back(text);
    return reports++ >= stopAt_;
  }

  int reports = 0;
  int depth = 0;
  std::vector<double> fractions;
  std::vector<std::string> texts;

 private:
  int stopAt_;
};

}  // namespace skylacer::test
