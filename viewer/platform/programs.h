// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Other programs the viewer starts: the desktop's browser (xdg-open), a file dialog (zenity or
// kdialog), and itself again with other options.

#include <optional>
#include <string>
#include <vector>

namespace skylacer::viewer::platform {

// Starts a program found on PATH with these arguments (the first is its name) and does not
// wait for it. False when it cannot be started.
bool startProgram(const std::vector<std::string>& arguments);

struct ProgramResult {
  int exitCode = -1;
  std::string output;  // what it wrote to its standard output
};

// Runs a program found on PATH to its end. Empty when it cannot be started.
std::optional<ProgramResult> runProgram(const std::vector<std::string>& arguments);

// Collects programs started with startProgram that have ended.
void reapPrograms();

// Replaces this process with the running program file started with these arguments (the
// first is its name); returns only when that fails.
void restartSelf(const std::vector<std::string>& arguments);

}  // namespace skylacer::viewer::platform
