// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Progress reporting shared by the engine, the outputs, the command-line front end and the GUI.
// Operations nest: a caller opens a sub-range of its own range and the callee reports 0..1
// inside it without knowing where it sits in the whole.

#include <array>

namespace skylacer {

class IProgress {
 public:
  // Opens the sub-range [from, to] of the current range (fractions of it).
  virtual int PushRange(double from, double to) = 0;
  // Closes the deepest sub-range.
  virtual void PopRange() = 0;
  // Shows `fraction` of the deepest range and, when given, a text (nullptr keeps the previous
  // one). Returns true when the work must stop.
  virtual bool Report(double fraction, const char* text = nullptr) = 0;

 protected:
  ~IProgress() = default;
};

// The range stack behind every progress object. Entry 0 is the whole range 0..1 and the stack
// holds 16 entries, so at most 15 sub-ranges are open at once; a push beyond that or a pop at
// the whole range changes nothing.
class ProgressRanges {
 public:
  static constexpr int kEntries = 16;

  // Returns the depth from before the call.
  int push(double from, double to);
  void pop();
  int depth() const { return depth_; }

  // Position of `fraction` of the deepest range within the whole range.
  double map(double fraction) const;

 private:
  std::array<double, kEntries> start_{0.0};
  std::array<double, kEntries> end_{1.0};
  int depth_ = 0;
};

// The bar value a front end shows for a position v of the whole range: the integer part of
// v * 100 + 1, so 1 is the very beginning and 101 the very end.
int progressBarValue(double position);

// The percent callback handed to the movie writer: reports percent / 100 without a text and
// returns 1 when the work must stop, 0 to go on. A null progress never stops the work.
int reportPercent(int percent, IProgress* progress);

}  // namespace skylacer
