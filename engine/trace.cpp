// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/trace.h"

#include <charconv>
#include <cstdio>
#include <string>

namespace skylacer {

namespace {

void appendInteger(std::string& out, int value) {
  char digits[16];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// "%f": fixed notation with six decimals; to_chars never consults the locale.
void appendFixed(std::string& out, double value) {
  char digits[512];
  out.append(digits,
             std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 6).ptr);
}

}  // namespace

void StdoutTrace::write(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void traceSampleCount(TraceSink& sink, int samples) {
  std::string line;
  appendInteger(line, samples);
  line += '\t';
  sink.write(line);
}

void traceIteration(TraceSink& sink, int iteration, double roll, double focal, double distortion) {
  std::string line = "   ";
  appendInteger(line, iteration);
  line += " al = ";
  appendFixed(line, roll);
  line += " focus = ";
  appendFixed(line, focal);
  line += " xx = ";
  appendFixed(line, distortion);
  line += '\n';
  sink.write(line);
}

}  // namespace skylacer
