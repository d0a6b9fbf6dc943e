// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Diagnostic trace of the pair refinement: two lines per Gauss–Newton step. Nothing in the
// system reads them; the front end decides where they go by the sink it hands the alignment.

#include <string>
#include <string_view>

namespace skylacer {

class TraceSink {
 public:
  virtual void write(std::string_view text) = 0;

 protected:
  ~TraceSink() = default;
};

// Writes the trace to standard output, where it goes unless a front end says otherwise.
class StdoutTrace final : public TraceSink {
 public:
  void write(std::string_view text) override;
};

// Drops the trace.
class NullTrace final : public TraceSink {
 public:
  void write(std::string_view) override {}
};

// Keeps the trace in memory, for a front end that shows or logs it later.
class StringTrace final : public TraceSink {
 public:
  void write(std::string_view text) override { text_ += text; }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
};

// "%d\t" with the number of samples a step used. Numbers are written the same in every locale.
void traceSampleCount(TraceSink& sink, int samples);

// "   %d al = %f focus = %f xx = %f\n" with the step number, roll (radians), focal length and
// distortion coefficient before the step; '.' is the decimal separator in every locale.
void traceIteration(TraceSink& sink, int iteration, double roll, double focal, double distortion);

}  // namespace skylacer
