// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Where a command's words go. Diagnostics always go to standard error. With -q the progress and
// the result lines are left out; when standard output carries the picture ("-o -") the result
// lines go to standard error, so that the picture comes through alone.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/imaging/local_text.h"

namespace skylacer::cli {

// The first line of every command's usage.
inline constexpr auto kUsageHeading = SourceText("usage:\n");

// The file name that means standard input (as a photo) or standard output (as -o).
inline constexpr std::string_view kStandardStream = "-";

struct Reporting {
  bool quiet = false;
  bool pictureOnStdout = false;

  // Where the progress goes: nowhere with -q.
  std::FILE* progressStream() const { return quiet ? nullptr : stderr; }

  // One result line, with its newline added.
  [[gnu::format(printf, 2, 3)]] void result(const char* format, ...) const;
};

// Writes the picture to standard output; false with the reason in `error`.
bool writeToStandardOutput(std::span<const std::uint8_t> bytes, std::string& error);

// Everything on standard input, for a photo named "-"; false with the reason in `error`.
bool readStandardInput(std::vector<std::uint8_t>& bytes, std::string& error);

// The exit status once standard output is flushed: a command that did its work fails (1) when
// what it printed could not be written, with the reason on standard error.
int finishStandardOutput(int status);

}  // namespace skylacer::cli
