// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Running other programs from the tests.

#include <filesystem>
#include <string>
#include <vector>

namespace skylacer::test {

struct CommandResult {
  int exitCode = -1;
  std::string output;  // standard output and standard error
};

// Runs a shell command line and collects what it prints.
CommandResult run(const std::string& command);

// A path in single quotes for a shell command line (the tests' paths hold no quotes).
std::string quoted(const std::filesystem::path& path);

// The non-empty lines of a text.
std::vector<std::string> lines(const std::string& text);

}  // namespace skylacer::test
