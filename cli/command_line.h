// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The words after a command's name, read by the usual rules of the system's C library: options
// and operands in any order, "--opt=value" and "--opt value", "-ovalue" and bundled short flags
// ("-qv"), and "--" ending the options so that a photo may be named "-x.jpg". A lone "-" is an
// operand (standard input or output).

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace skylacer::cli {

struct OptionSpec {
  std::string_view name;  // the long name, without "--"
  char letter = 0;        // the short name, or 0 for none
  bool takesValue = false;
};

struct ParsedOption {
  std::string word;  // "--name", or "-l" for an option with a short name only
  std::string value;
};

struct CommandLine {
  std::vector<ParsedOption> options;  // in the order given
  std::vector<std::string> operands;
  bool help = false;  // -h or --help, which every command takes
  std::optional<std::string> error;
};

CommandLine parseCommandLine(std::span<const std::string_view> args,
                             std::span<const OptionSpec> specs);

}  // namespace skylacer::cli
